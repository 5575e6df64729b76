// The page's texts in English and Japanese. The desktop viewer's own texts come from its
// translations (qt-texts.js, made from app/i18n/*.ts); the few that only the page has are here,
// written in English with their Japanese beside them.
import qt from './qt-texts.js';

const pageJa = {
  'Open archives…': 'アーカイブを開く…',
  'Zoom': 'ズーム',
  'Loading the engine…': 'エンジンを読み込んでいます…',
  'The engine could not be loaded: %1': 'エンジンを読み込めませんでした: %1',
  'Open: the file button, or drop archives here': '開く: ファイルのボタン、またはアーカイブをドロップ',
  'Files are read in this page and never leave your computer.':
    'ファイルはこのページの中で読み込まれ、コンピューターの外には送られません。',
  '%1: the file could not be read (%2)': '%1: ファイルを読み込めません (%2)',
  'element %1 reaches outside the picture': '要素 %1 が画像の外にはみ出しています',
  'Exporting %1': '%1 を書き出しています',
  '%1 of %2 pictures': '%2 枚中 %1 枚',
  'Cancelled: nothing was written.': '中止しました。何も書き出していません。',
  'The export failed: %1': '書き出しに失敗しました: %1',
  'picture %1: %2': '画像 %1: %2',
};

export const Languages = ['en', 'ja'];
let language = 'en';

export function setLanguage(lang) {
  language = Languages.includes(lang) ? lang : 'en';
  document.documentElement.lang = language;
}

export function currentLanguage() {
  return language;
}

// The language the browser asks for first among the two, else English.
export function browserLanguage(preferred = navigator.languages ?? [navigator.language]) {
  for (const tag of preferred) {
    const primary = String(tag).toLowerCase().split('-')[0];
    if (Languages.includes(primary)) return primary;
  }
  return 'en';
}

// A text in the present language: source is the text as the code writes it (Japanese for the
// desktop's captions, English for its messages and the page's own).
export function tr(source) {
  const table = qt[language] ?? {};
  if (language === 'ja' && source in pageJa) return pageJa[source];
  return table[source] ?? source;
}

// Fills %1, %2, ... in one pass, so that an argument holding "%2" stays as it is.
export function format(text, ...args) {
  return text.replace(/%(\d)/g, (place, n) => (n >= 1 && n <= args.length ? String(args[n - 1]) : place));
}

// A menu caption without its access key: "全ﾘｾｯﾄ(&R)" -> "全ﾘｾｯﾄ", "&Reset All" -> "Reset All".
export function plain(caption) {
  return caption.replace(/\(&.\)/, '').replace(/&(.)/, '$1').trim();
}
