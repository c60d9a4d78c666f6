// The page's side of the browser platform (web_imports.h). Every call goes to Module.kalHost, the object the
// page gives each module it starts; the waiting ones suspend the run (Asyncify) until the page's promise
// settles, and a stopped run's promise never does.
mergeInto(LibraryManager.library, {
  $kalBytes: function (pointer, length) {
    return HEAPU8.slice(pointer, pointer + length);
  },
  $kalWait__deps: ['$Asyncify'],
  $kalWait: function (promise) {
    return Asyncify.handleSleep(function (wakeUp) {
      promise().then(function (value) { wakeUp(value | 0); });
    });
  },

  kal_js_message_box__deps: ['$kalBytes', '$kalWait'],
  kal_js_message_box: function (title, titleLength, text, textLength, yesNo) {
    return kalWait(function () {
      return Module.kalHost.messageBox(kalBytes(title, titleLength), kalBytes(text, textLength), yesNo !== 0);
    });
  },
  kal_js_input_dialog__deps: ['$kalBytes', '$kalWait'],
  kal_js_input_dialog: function (title, titleLength, prompt, promptLength) {
    return kalWait(function () {
      return Module.kalHost.inputDialog(kalBytes(title, titleLength), kalBytes(prompt, promptLength))
        .then(function (answer) { Module.kalAnswer = answer; return answer.length; });
    });
  },
  kal_js_take_answer: function (buffer) {
    HEAPU8.set(Module.kalAnswer, buffer);
  },
  kal_js_pause__deps: ['$kalWait'],
  kal_js_pause: function (ms) {
    // Most pauses return at once; the page decides when the loop has had its turn. A resumed run passes here
    // again, and must then reach the same wait to be given its result.
    if (Asyncify.state === Asyncify.State.Normal) {
      Module.kalTurn = Module.kalHost.pause(ms);
      if (!Module.kalTurn) return;
    }
    kalWait(function () { return Module.kalTurn; });
  },
  kal_js_step__deps: ['$kalWait'],
  kal_js_step: function (statement) {
    kalWait(function () { return Module.kalHost.step(statement); });
  },
  kal_js_halt__deps: ['$kalWait'],
  kal_js_halt: function () {
    Module.kalHost.halted();
    kalWait(function () { return new Promise(function () {}); });
  },
  kal_js_draw_bitmap__deps: ['$kalBytes', '$kalWait'],
  kal_js_draw_bitmap: function (surface, bytes, length, x, y, width, height) {
    var data = kalBytes(bytes, length);
    return kalWait(function () { return Module.kalHost.surfaces.drawBitmap(surface, data, x, y, width, height); });
  },

  kal_js_screen: function (size) {
    HEAP32[size >> 2] = Module.kalHost.screen.width;
    HEAP32[(size >> 2) + 1] = Module.kalHost.screen.height;
    return 0;
  },
  kal_js_local_time: function (parts) {
    var d = Module.kalHost.now();
    HEAP32.set([d.getFullYear(), d.getMonth() + 1, d.getDate(), d.getDay(), d.getHours(), d.getMinutes(),
                d.getSeconds(), d.getMilliseconds()], parts >> 2);
  },
  kal_js_shell_open__deps: ['$kalBytes'],
  kal_js_shell_open: function (path, length) {
    return Module.kalHost.shellOpen(kalBytes(path, length)) ? 1 : 0;
  },
  kal_js_command_interpreter__deps: ['$kalBytes'],
  kal_js_command_interpreter: function (parameters, length) {
    Module.kalHost.commandInterpreter(kalBytes(parameters, length));
  },

  kal_js_system_colour: function (which) {
    return Module.kalHost.surfaces.systemColour(which);
  },
  kal_js_open_window: function (width, height) {
    return Module.kalHost.surfaces.openWindow(width, height);
  },
  kal_js_create_picture: function (width, height) {
    return Module.kalHost.surfaces.createPicture(width, height);
  },
  kal_js_discard_picture: function (picture) {
    Module.kalHost.surfaces.discard(picture);
  },
  kal_js_fill: function (surface, width, height, colour) {
    Module.kalHost.surfaces.fill(surface, width, height, colour >>> 0);
  },
  kal_js_show_picture: function (picture, window, width, height) {
    Module.kalHost.surfaces.show(picture, window, width, height);
  },
  kal_js_pixels: function (picture, width, height, out) {
    HEAPU32.set(Module.kalHost.surfaces.pixels(picture, width, height), out >> 2);
  },
  kal_js_line: function (surface, x1, y1, x2, y2, colour, penWidth) {
    Module.kalHost.surfaces.line(surface, x1, y1, x2, y2, colour >>> 0, penWidth);
  },
  kal_js_set_pixel: function (surface, x, y, colour) {
    Module.kalHost.surfaces.setPixel(surface, x, y, colour >>> 0);
  },
  kal_js_round_box: function (surface, left, top, right, bottom, cornerWidth, cornerHeight, outline, penWidth,
                              fillKind, hatch, fillColour, background, transparent) {
    Module.kalHost.surfaces.roundBox(surface, {left: left, top: top, right: right, bottom: bottom},
                                     cornerWidth, cornerHeight, outline >>> 0, penWidth,
                                     {kind: fillKind, hatch: hatch, colour: fillColour >>> 0},
                                     background >>> 0, transparent !== 0);
  },
  kal_js_text_state__deps: ['$kalBytes'],
  kal_js_text_state: function (surface, face, faceLength, height, weight, italic, underline, strikeOut,
                               escapement, foreground, background, transparent) {
    Module.kalHost.surfaces.textState(surface, {
      face: kalBytes(face, faceLength), height: height, weight: weight, italic: italic !== 0,
      underline: underline !== 0, strikeOut: strikeOut !== 0, escapement: escapement,
      foreground: foreground >>> 0, background: background >>> 0, transparent: transparent !== 0});
  },
  kal_js_text__deps: ['$kalBytes'],
  kal_js_text: function (surface, x, y, text, length, extra) {
    Module.kalHost.surfaces.text(surface, x, y, kalBytes(text, length), extra);
  },
  kal_js_text_width__deps: ['$kalBytes'],
  kal_js_text_width: function (surface, text, length) {
    return Module.kalHost.surfaces.textWidth(surface, kalBytes(text, length));
  },
  kal_js_text_fit__deps: ['$kalBytes'],
  kal_js_text_fit: function (surface, text, length, maxWidth) {
    return Module.kalHost.surfaces.textFit(surface, kalBytes(text, length), maxWidth);
  },
  kal_js_line_height: function (surface) {
    return Module.kalHost.surfaces.lineHeight(surface);
  },
});
