#pragma once
// The program's own version block, placed in its ELF section of the executable.

#include <cstddef>

namespace kivo {

// Address and size of the block. Referring to it keeps the block linked into every program
// that shows the about box, which reads it back from its own executable file.
const unsigned char* ProgramVersionBlock(std::size_t& size);

} // namespace kivo
