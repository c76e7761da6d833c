// What the assembler holds for a huge source of blank lines, counted by
// replacing the program's allocator for this test binary.
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "asm/listing_writer.h"
#include "tests/asm/asm_support.h"

namespace {

std::atomic<long long> in_use{0}, peak{0};
std::atomic<long long> limit{0};  // 0: no limit

void* Counted(size_t size) {
  if (limit != 0 && in_use + static_cast<long long>(size) > limit) throw std::bad_alloc();
  void* p = std::malloc(size == 0 ? 1 : size);
  if (!p) throw std::bad_alloc();
  const long long now = in_use += static_cast<long long>(malloc_usable_size(p));
  long long old = peak.load();
  while (now > old && !peak.compare_exchange_weak(old, now)) {
  }
  return p;
}

void Release(void* p) {
  if (!p) return;
  in_use -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}

}  // namespace

void* operator new(size_t size) { return Counted(size); }
void* operator new[](size_t size) { return Counted(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
// The library's temporary buffers (std::stable_sort) come from the nothrow
// forms and go back through the plain delete: counted the same way.
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Counted(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try {
    return Counted(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

namespace scmp {
namespace {

// A blank or comment line costs next to nothing: 16 MB of them (the largest
// source the programs read) stays far below 400 MB. The listing keeps the
// comments, so it grows with them; nothing is held for a blank line.
TEST(AssemblerMemory, BlankLinesCostNextToNothing) {
  for (const char* line : {"\n", ";\n"}) {
    std::string source;
    const size_t size = 16 * 1024 * 1024;
    source.reserve(size + 16);
    while (source.size() + 2 <= size) source += line;
    source += " HALT\n";
    const long long before = in_use.load();
    peak = before;
    const Assembly a = Assemble(source, "blank.s", test::ShippedTable());
    const std::string listing = ListingText(a, source, "blank.s");
    const long long used = peak.load() - before;
    ASSERT_TRUE(a.Succeeded());
    EXPECT_EQ(a.code.size(), 1u);
    EXPECT_LT(used, 100LL * 1024 * 1024) << "bytes held at the peak: " << used;
  }
}

// Running out of memory is an error in the list, not an abort.
TEST(AssemblerMemory, RunningOutOfMemoryIsReportedAsAnError) {
  std::string source = "M MACRO\n NOP\n NOP\n ENDM\n";
  for (int i = 0; i < 20000; ++i) source += " M\n";
  limit = in_use + 2 * 1024 * 1024;
  const Assembly a = Assemble(source, "big.s", test::ShippedTable());
  limit = 0;
  ASSERT_EQ(a.diagnostics.size(), 1u);
  EXPECT_EQ(FormatDiagnostic(a.diagnostics[0]), "big.s:1:1: error: out of memory while assembling this source");
}

}  // namespace
}  // namespace scmp
