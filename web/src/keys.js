// The page's keys. The desktop's debugging keys (F5, Ctrl+R, F11) reload the
// page or fill the screen in a browser, so the page uses Alt with a letter
// (by the key's place, so that it works on any layout) and Escape for Stop.
export const kCommandKeys = [
  { command: 'assemble', code: 'KeyA', alt: true, label: 'Alt+A' },
  { command: 'assemble', code: 'Enter', ctrl: true, label: 'Ctrl+Enter' },
  { command: 'run', code: 'KeyR', alt: true, label: 'Alt+R' },
  { command: 'stop', code: 'Escape', label: 'Escape' },
  { command: 'step', code: 'KeyS', alt: true, label: 'Alt+S' },
  { command: 'stepOver', code: 'KeyO', alt: true, label: 'Alt+O' },
  { command: 'stepBack', code: 'KeyB', alt: true, label: 'Alt+B' },
  { command: 'runTests', code: 'KeyT', alt: true, label: 'Alt+T' },
  { command: 'breakpoint', code: 'F9', label: 'F9' },
];

// The panel's keys, as on the desktop, when the focus is not in a text:
// 0-7 the data switches, R RST, H HLT, S SST, P Run/Prgm, Space Step/Start,
// L Latch, + and - the address.
export const kPanelKeys = {
  r: 'RST', h: 'HLT', s: 'SST', p: 'RUN', ' ': 'STEP', l: 'LATCH', '+': 'UP', '=': 'UP', '-': 'DOWN',
};

export function commandFor(event) {
  for (const k of kCommandKeys) {
    if (event.code !== k.code) continue;
    if (!!k.alt !== event.altKey || !!k.ctrl !== (event.ctrlKey || event.metaKey) || event.shiftKey) continue;
    return k.command;
  }
  return null;
}

// A panel action for a key pressed outside any text field, or null.
export function panelActionFor(event) {
  if (event.altKey || event.ctrlKey || event.metaKey) return null;
  if (/^[0-7]$/.test(event.key)) return { dataSwitch: Number(event.key) };
  const press = kPanelKeys[event.key.toLowerCase()];
  return press ? { press } : null;
}

export function keysOf(command) {
  return kCommandKeys.filter((k) => k.command === command).map((k) => k.label);
}
