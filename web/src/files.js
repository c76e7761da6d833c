// Which file kinds the page opens, as the desktop does by extension.
export const kMaxFileBytes = 4 << 20;

const kKinds = {
  s: 'source', asm: 'listing', ram: 'image', hex: 'hex', ihx: 'hex', ihex: 'hex', state: 'state', test: 'test',
};

export function kindOf(name) {
  const m = /\.([^.]+)$/.exec(name);
  return (m && kKinds[m[1].toLowerCase()]) || 'unknown';
}

// A file name safe to use in the module's file system: no folders, no
// leading dots, at most 100 characters, its extension kept.
export function safeName(name) {
  const base = String(name).split(/[\\/]/).pop().replace(/[^A-Za-z0-9._ -]/g, '_').replace(/^\.+/, '');
  if (base.length <= 100) return base || 'file';
  const ext = /\.[^.]{1,8}$/.exec(base)?.[0] ?? '';
  return base.slice(0, 100 - ext.length) + ext;
}
