// SC/MP source colouring for CodeMirror, as the desktop editor colours it:
// comments after ';', strings, numbers, directives ('.org', EQU words),
// the mnemonics of the loaded instruction table, and labels in column 1.
import { StreamLanguage } from '@codemirror/language';

const kWordChar = /[A-Za-z0-9_.$]/;

export function scmpLanguage(mnemonics) {
  const known = new Set(mnemonics.map((m) => m.toUpperCase()));
  return StreamLanguage.define({
    name: 'scmp',
    startState: () => ({}),
    token(stream) {
      if (stream.sol()) stream.lineStart = true;
      const atStart = stream.sol();
      if (stream.eatSpace()) return null;
      const c = stream.peek();
      if (c === ';') {
        stream.skipToEnd();
        return 'comment';
      }
      if (c === '"') {
        stream.next();
        while (!stream.eol() && stream.next() !== '"');
        return 'string';
      }
      if (c === "'" && stream.match(/^'.'/)) return 'string';
      if (!kWordChar.test(c)) {
        stream.next();
        return null;
      }
      stream.eatWhile(kWordChar);
      const word = stream.current().toUpperCase();
      if (word.startsWith('.')) return 'keyword';
      if (/^[0-9$]/.test(word)) return 'number';
      if (known.has(word)) return 'operatorKeyword';
      if (atStart || stream.peek() === ':') return 'labelName';
      return null;
    },
    languageData: { commentTokens: { line: ';' } },
  });
}
