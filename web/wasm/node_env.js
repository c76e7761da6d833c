// The command-line programs under node see the real environment (SCMP_DIR,
// HOME) as the native ones do; emscripten gives them a fixed one otherwise.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  for (var key in process.env) ENV[key] = process.env[key];
});
