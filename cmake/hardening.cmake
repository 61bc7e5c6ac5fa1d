# The native Linux program's hardening, as Debian builds its packages:
# included by the top CMakeLists.txt for the gtk backend, so that the host's
# linux preset and the build root's builds (amd64 and cross arm64) take it
# from this one place, each for its own processor.
add_compile_options(-D_FORTIFY_SOURCE=2 -fstack-protector-strong)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
    # Intel CET: indirect branch tracking and shadow stack (x86 only).
    add_compile_options(-fcf-protection)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
    # ARMv8.3 pointer authentication and ARMv8.5 BTI; no-ops on older cores.
    add_compile_options(-mbranch-protection=standard)
endif()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_link_options(-Wl,-z,relro,-z,now -Wl,--as-needed)
