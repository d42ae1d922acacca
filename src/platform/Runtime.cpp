// What the C++ runtime does when it cannot go on. The exe has no exceptions
// (see CMakeLists.txt): a failed allocation, or a container asked for more
// than it can hold, ends the process at once. Nothing is left half-written,
// since config.ini is only ever replaced in one step.
//
// With libstdc++ these definitions stand in for the library's throwing ones,
// which would bring the exception runtime, its exception classes and strings,
// and the thread library it locks with, into the exe. The __throw_ functions
// are the ones libstdc++'s headers call where they would throw.
#include <cstdlib>
#include <new>

#if defined(__GLIBCXX__)
#include <bits/functexcept.h>

void* operator new(std::size_t size) {
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  std::abort();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
}  // namespace std

// std::terminate's handler would print a message to a console this GUI
// program does not have, with the demangler, a sixth of the exe's size once.
// The name is libstdc++'s own, so the reserved-identifier rule does not apply.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }  // NOLINT(bugprone-reserved-identifier)
}  // namespace __gnu_cxx
#endif
