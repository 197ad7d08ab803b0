# The flags distributions build their packages with: stack protector,
# fortified libc calls, stack-clash protection, control-flow protection on
# x86, position-independent executables and relocations that are bound at
# start and then made read-only. Not under the sanitizers, which bring
# their own checks, and not for Windows.
option(FENWILLOW_HARDEN "Build with the hardening flags distributions use" ON)
if(FENWILLOW_HARDEN AND NOT WIN32 AND NOT FENWILLOW_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat -Werror=format-security)
  # Fortification works only on optimised code.
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
    add_compile_options(-fcf-protection)
  endif()
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
