// The leak checker of sanitized builds would fail every run on memory that the font
// configuration library keeps for the life of the process; only that library is excused.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
