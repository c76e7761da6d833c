// The source editor: CodeMirror 6 with SC/MP colouring, the assembler's
// diagnostics marked in the text, breakpoints in the margin (a click or
// F9) and the ▶ mark on the line P0 leads to.
import { EditorState, StateEffect, StateField, RangeSet } from '@codemirror/state';
import {
  EditorView, keymap, lineNumbers, gutter, GutterMarker, Decoration, highlightActiveLine, drawSelection,
} from '@codemirror/view';
import { defaultKeymap, history, historyKeymap, indentWithTab } from '@codemirror/commands';
import { syntaxHighlighting, defaultHighlightStyle, HighlightStyle } from '@codemirror/language';
import { setDiagnostics, lintGutter } from '@codemirror/lint';
import { tags } from '@lezer/highlight';
import { scmpLanguage } from './scmp_language.js';

const setBreakLines = StateEffect.define();
const setNextLine = StateEffect.define();

// A gutter mark: its class, its sign and what a screen reader calls it.
class LineMarker extends GutterMarker {
  constructor(className, sign, label) {
    super();
    this.className = className;
    this.sign = sign;
    this.label = label;
  }
  toDOM() {
    const mark = document.createElement('span');
    mark.className = this.className;
    mark.textContent = this.sign;
    mark.setAttribute('aria-label', this.label);
    return mark;
  }
}
const kBreak = new LineMarker('cm-breakpoint', '●', 'breakpoint');
const kNext = new LineMarker('cm-next', '▶', 'next instruction');

// The 1-based lines holding breakpoints and the next line, as plain data set
// from the model after every change.
const marks = StateField.define({
  create: () => ({ breaks: [], next: 0 }),
  update(value, tr) {
    for (const e of tr.effects) {
      if (e.is(setBreakLines)) value = { ...value, breaks: e.value };
      if (e.is(setNextLine)) value = { ...value, next: e.value };
    }
    // Any edit makes the marks stale until the text is assembled again.
    if (tr.docChanged) value = { breaks: value.breaks, next: 0 };
    return value;
  },
});

function markerSet(state, lines, marker) {
  const ranges = [];
  for (const line of [...new Set(lines)].sort((a, b) => a - b))
    if (line >= 1 && line <= state.doc.lines) ranges.push(marker.range(state.doc.line(line).from));
  return RangeSet.of(ranges);
}

const nextLineDecoration = EditorView.decorations.compute([marks], (state) => {
  const { next } = state.field(marks);
  if (next < 1 || next > state.doc.lines) return Decoration.none;
  return Decoration.set([Decoration.line({ class: 'cm-nextLine' }).range(state.doc.line(next).from)]);
});

const highlight = HighlightStyle.define([
  { tag: tags.comment, class: 'tok-comment' },
  { tag: tags.string, class: 'tok-string' },
  { tag: tags.number, class: 'tok-number' },
  { tag: tags.keyword, class: 'tok-directive' },
  { tag: tags.operatorKeyword, class: 'tok-mnemonic' },
  { tag: tags.labelName, class: 'tok-label' },
]);

export function createEditor(parent, { text, mnemonics, onChange, onGutterClick, extraKeys }) {
  const view = new EditorView({
    parent,
    state: EditorState.create({
      doc: text,
      extensions: [
        marks,
        gutter({
          class: 'cm-breakGutter',
          markers: (v) => {
            const m = v.state.field(marks);
            return RangeSet.join([markerSet(v.state, m.breaks, kBreak), markerSet(v.state, m.next ? [m.next] : [], kNext)]);
          },
          initialSpacer: () => kBreak,
          domEventHandlers: {
            mousedown(v, block) {
              onGutterClick(v.state.doc.lineAt(block.from).number);
              return true;
            },
          },
        }),
        lineNumbers(),
        lintGutter(),
        history(),
        drawSelection(),
        highlightActiveLine(),
        nextLineDecoration,
        scmpLanguage(mnemonics),
        syntaxHighlighting(highlight),
        syntaxHighlighting(defaultHighlightStyle, { fallback: true }),
        keymap.of([...extraKeys, ...defaultKeymap, ...historyKeymap, indentWithTab]),
        EditorView.lineWrapping,
        EditorView.contentAttributes.of({ 'aria-label': 'Source text', 'aria-multiline': 'true', spellcheck: 'false' }),
        EditorView.updateListener.of((u) => {
          if (u.docChanged) onChange(u.state.doc.toString());
        }),
      ],
    }),
  });
  return {
    view,
    text: () => view.state.doc.toString(),
    setText(t) {
      view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: t } });
    },
    cursorLine: () => view.state.doc.lineAt(view.state.selection.main.head).number,
    setMarks(breaks, next) {
      view.dispatch({ effects: [setBreakLines.of(breaks), setNextLine.of(next)] });
      if (next > 0 && next <= view.state.doc.lines)
        view.dispatch({ effects: EditorView.scrollIntoView(view.state.doc.line(next).from, { y: 'nearest' }) });
    },
    // Diagnostics of the main file, as FILE:LINE:COL says (1-based).
    setDiagnostics(list) {
      const doc = view.state.doc;
      const marks = [];
      for (const d of list) {
        if (d.line < 1 || d.line > doc.lines) continue;
        const line = doc.line(d.line);
        const from = Math.min(line.from + Math.max(d.column - 1, 0), line.to);
        marks.push({ from, to: Math.max(from, line.to), severity: d.severity === 'error' ? 'error' : 'warning', message: d.message });
      }
      view.dispatch(setDiagnostics(view.state, marks));
    },
    goTo(line) {
      const l = view.state.doc.line(Math.min(Math.max(line, 1), view.state.doc.lines));
      view.dispatch({ selection: { anchor: l.from }, effects: EditorView.scrollIntoView(l.from, { y: 'center' }) });
      view.focus();
    },
  };
}
