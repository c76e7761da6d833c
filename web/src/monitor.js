// The Monitor's essentials: the disassembly round P0 with labels and source
// lines, memory with the cells the last run or step changed, breakpoints and
// watchpoints. All texts come from the model.
const $ = (id) => document.getElementById(id);
const hex = (v, digits) => v.toString(16).toUpperCase().padStart(digits, '0');

export function createMonitor({ trainer, status, refresh }) {
  let from = 0;
  $('mem-from').addEventListener('change', () => {
    const v = parseInt($('mem-from').value, 16);
    if (Number.isNaN(v) || v < 0 || v > 0xfff) {
      status('Memory: type a hexadecimal address 000..FFF.');
      return;
    }
    from = v & 0xff0;
    refresh();
  });
  $('watch-form').addEventListener('submit', (e) => {
    e.preventDefault();
    const error = trainer.watch($('watch').value.trim());
    status(error || `Watching ${$('watch').value.trim()}.`);
    refresh();
  });

  function renderCode() {
    const ol = $('code');
    ol.replaceChildren();
    for (const l of JSON.parse(trainer.codeJson(-1))) {
      const li = document.createElement('li');
      li.className = (l.next ? 'next ' : '') + (l.breakpoint ? 'break' : '');
      const label = l.symbol ? l.symbol + ':' : '';
      li.textContent = `${l.next ? '▶' : ' '}${l.breakpoint ? '●' : ' '} ${hex(l.address, 3)}  ${l.bytes.padEnd(6)} ${label.padEnd(8)} ${l.instruction}`;
      if (l.next) li.setAttribute('aria-current', 'step');
      li.addEventListener('dblclick', () => { trainer.toggleBreakpoint(l.address); refresh(); });
      ol.append(li);
    }
  }

  function renderMemory() {
    const cells = JSON.parse(trainer.memoryJson(from, 128));
    const table = $('memory');
    table.replaceChildren();
    for (let row = 0; row < 8; ++row) {
      const tr = table.insertRow();
      const th = document.createElement('th');
      th.scope = 'row';
      th.textContent = hex((from + row * 16) & 0xfff, 3);
      tr.append(th);
      for (let col = 0; col < 16; ++col) {
        const [value, changed] = cells[row * 16 + col];
        const td = tr.insertCell();
        td.textContent = hex(value, 2);
        if (changed) {
          td.className = 'changed';
          td.title = 'changed by the last run or step';
        }
      }
    }
  }

  function renderPoints() {
    const d = JSON.parse(trainer.debugJson());
    const ul = $('points');
    ul.replaceChildren();
    const item = (text, onRemove, name) => {
      const li = document.createElement('li');
      li.textContent = text + ' ';
      const b = document.createElement('button');
      b.type = 'button';
      b.textContent = 'Remove';
      b.setAttribute('aria-label', `Remove ${name}`);
      b.addEventListener('click', () => { onRemove(); refresh(); });
      li.append(b);
      ul.append(li);
    };
    for (const b of d.breakpoints)
      item(`Breakpoint ${hex(b.address, 3)}${b.line ? ' (line ' + b.line + ')' : ''}, ${b.hits} hits${b.condition ? ', if ' + b.condition : ''}`,
        () => trainer.toggleBreakpoint(b.address), `breakpoint ${hex(b.address, 3)}`);
    for (const w of d.watchpoints)
      item(`Watchpoint ${hex(w.address, 3)}${w.symbol ? ' (' + w.symbol + ')' : ''}, ${w.hits} writes`,
        () => trainer.unwatch(w.address), `watchpoint ${hex(w.address, 3)}`);
  }

  return {
    render() {
      if (!$('monitor').open) return;
      renderCode();
      renderMemory();
      renderPoints();
    },
  };
}
