// The work in progress, kept in the browser across reloads: the source and
// its name, the test file, the speed and the theme.
const kKey = 'scmp-trainer-work';

export function loadWork(storage = globalThis.localStorage) {
  try {
    const value = JSON.parse(storage?.getItem(kKey) ?? '{}');
    return value && typeof value === 'object' && !Array.isArray(value) ? value : {};
  } catch {
    return {};  // a damaged entry: start empty rather than not at all
  }
}

export function saveWork(work, storage = globalThis.localStorage) {
  try {
    storage?.setItem(kKey, JSON.stringify(work));
    return true;
  } catch {
    return false;  // full or refused: the page goes on; the text stays in the editor
  }
}
