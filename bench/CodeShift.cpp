// Linked first into one read-cycle module only: the library code after it moves by a few cache
// lines and off its page offsets, while every byte of it stays the same. Comparing that module
// with the unmoved one shows what code placement alone does to a cycle's time.

extern "C" __attribute__((used, noinline, aligned(64))) void probeBenchCodeShift() {
  __asm__ volatile(".skip 1088, 0x90");
}
