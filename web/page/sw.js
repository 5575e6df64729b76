// Keeps the page working offline once it has loaded: every file of the site is cached when the
// service worker installs and served from there first. The cache's name changes with the site's
// content, so a new site replaces the old one at its next load.
const Cache = 'velmora-@VLM_SITE_HASH@';
const Files = @VLM_SITE_FILES@;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(Cache).then((cache) => cache.addAll(Files)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n !== Cache).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(Cache)
    .then((cache) => cache.match(event.request, { ignoreSearch: true }))
    .then((hit) => hit ?? fetch(event.request)));
});
