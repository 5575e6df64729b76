// The page's side of a worker: calls queue in order, an AbortSignal cancels by ending the
// worker (a new one starts at the next call), and a worker with nothing to do is ended after a
// few seconds so that its memory goes back.
export class WorkerBridge {
  constructor(url, { idleMs = 5000 } = {}) {
    this.url = url;
    this.idleMs = idleMs;
    this.worker = null;
    this.pending = new Map(); // id -> { resolve, reject, onProgress }
    this.nextId = 1;
    this.idleTimer = 0;
  }

  // Resolves to the worker's answer; onProgress gets what the worker reports on the way.
  call(method, args, { signal, transfer = [], onProgress } = {}) {
    if (signal?.aborted) return Promise.reject(signal.reason);
    clearTimeout(this.idleTimer);
    const worker = this.start();
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, onProgress });
      signal?.addEventListener('abort', () => this.stop(signal.reason), { once: true });
      worker.postMessage({ id, method, args }, transfer);
    });
  }

  running() {
    return this.worker !== null;
  }

  start() {
    if (this.worker) return this.worker;
    const worker = new Worker(this.url, { type: 'module' });
    worker.onmessage = ({ data }) => this.answer(data);
    // The worker died (out of memory, a module that failed to load): every call fails.
    worker.onerror = (event) => {
      event.preventDefault();
      this.stop(new Error(event.message || 'the worker stopped'));
    };
    this.worker = worker;
    return worker;
  }

  answer({ id, progress, result, error }) {
    const call = this.pending.get(id);
    if (!call) return;
    if (progress !== undefined) {
      call.onProgress?.(progress);
      return;
    }
    this.pending.delete(id);
    if (error !== undefined) call.reject(new Error(error));
    else call.resolve(result);
    if (this.pending.size === 0) this.idleTimer = setTimeout(() => this.stop(), this.idleMs);
  }

  // Ends the worker; calls still waiting fail with reason.
  stop(reason = new DOMException('stopped', 'AbortError')) {
    clearTimeout(this.idleTimer);
    this.worker?.terminate();
    this.worker = null;
    const calls = [...this.pending.values()];
    this.pending.clear();
    for (const call of calls) call.reject(reason);
  }
}
