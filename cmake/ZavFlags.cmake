# Compiler settings shared by every target.
#
# Results of the music player are defined to the bit, so no build may contract a*b+c into a
# fused multiply-add or otherwise re-associate floating point: the native and the Windows
# builds must compute the same numbers.
add_compile_options(-ffp-contract=off -fno-fast-math -Wall -Wextra)

if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "Build type" FORCE)
endif()

# Flags for code that ends up in the program (and the portable libraries it links):
# no exceptions, no RTTI, nothing that pulls the C++ runtime in.
set(ZAV_PROGRAM_FLAGS -fno-exceptions -fno-rtti)

if(WIN32)
  # Small and reproducible: optimise for size, drop unwind tables and the compiler ident,
  # let the linker drop unused sections, strip, and leave the PE timestamp at zero.
  # No -fdata-sections: for PE targets it moves zero-filled globals (the fire field, the voice
  # and channel tables) out of .bss into initialised data, which would put them in the file.
  # No -ffunction-sections either, but where a library has functions that the program leaves
  # unused: the assembler pads every PE code section to 16 bytes, which for the program's
  # hundreds of small functions costs more than the few unused ones.
  # The small code model addresses every global and function of another file directly. The
  # default reaches each through a pointer slot in .rdata (16 bytes a file, aligned, and a
  # relocation per slot), there for data imported from a library, which the C runtime would
  # patch at start; nothing here imports data, and the program has no C runtime to patch it.
  # The image stays relocatable: the code addresses all of it relative to itself.
  set(CMAKE_C_FLAGS_RELEASE "-Os")
  set(CMAKE_CXX_FLAGS_RELEASE "-Os")
  add_compile_options(-fno-asynchronous-unwind-tables -fno-unwind-tables -fno-ident
                      -fno-stack-protector -mcmodel=small
                      -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
  add_link_options(-static -static-libgcc -s -Wl,--gc-sections -Wl,--no-insert-timestamp
                   -Wl,--build-id=none)
else()
  set(CMAKE_C_FLAGS_RELEASE "-O2")
  set(CMAKE_CXX_FLAGS_RELEASE "-O2")
  option(ZAV_SANITIZERS "Also build sanitized copies of the portable libraries and their tests" ON)
  set(ZAV_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
endif()
