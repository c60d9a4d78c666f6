// The windows a run shows on the page: its boxes and input dialog, and the graphics window.
const $ = (selector) => document.querySelector(selector);

// Shows a modal box of the run; resolves with the button pressed, or never when the run is stopped first.
// Keys work as on Windows: Enter takes the button that has the focus (the first one, or OK in the input dialog);
// Esc closes a box with only OK and cancels the input dialog, and does nothing to a question; a question's
// buttons answer to their first letters (S and N on the Spanish page, Y and N on the English one). A key is
// taken on its way down and goes no further, so it never answers the box that shows next.
export function showBox(title, text, buttons, input) {
  return new Promise((resolve) => {
    const box = $('#box');
    box.querySelector('.box-title').textContent = title;
    box.querySelector('.box-text').textContent = text;
    const field = box.querySelector('input');
    field.hidden = !input;
    field.value = '';
    const row = box.querySelector('.box-buttons');
    row.replaceChildren();
    const close = (answer) => {
      box.hidden = true;
      resolve(answer);
    };
    for (const [answer, label] of buttons) {
      const button = document.createElement('button');
      button.textContent = label;
      button.dataset.answer = answer;
      button.addEventListener('click', () => close(answer));
      row.append(button);
    }
    field.onkeydown = null;
    box.onkeydown = (e) => {
      let answer = null;
      if (e.key === 'Enter') answer = input ? 'ok' : (document.activeElement?.dataset.answer ?? buttons[0][0]);
      else if (e.key === 'Escape') answer = input ? 'cancel' : buttons.length === 1 ? buttons[0][0] : null;
      else if (buttons.length > 1 && !input && e.key.length === 1 && !e.ctrlKey && !e.altKey && !e.metaKey)
        answer = buttons.find(([, label]) => label[0].toLowerCase() === e.key.toLowerCase())?.[0] ?? null;
      if (e.key === 'Enter' || e.key === 'Escape' || answer !== null) {
        e.preventDefault();
        e.stopPropagation();
      }
      if (answer !== null) close(answer);
    };
    box.hidden = false;
    (input ? field : row.firstChild).focus();
  });
}

// The graphics window: a client area of the size asked for, holding at its top-left a drawing control one pixel
// narrower and lower, whose border leaves the canvas two pixels less again, as on Windows.
export function openWindowCanvas(width, height) {
  const frame = $('#graphics');
  const client = $('#graphics .client');
  const canvas = $('#graphics canvas');
  client.style.width = `${width}px`;
  client.style.height = `${height}px`;
  canvas.width = Math.max(width - 3, 1);
  canvas.height = Math.max(height - 3, 1);
  frame.hidden = false;
  return canvas;
}
