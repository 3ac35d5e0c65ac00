# Warnings for our own code. Third-party headers come in as system includes and stay quiet.
function(kv_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>
    -Wnon-virtual-dtor -Wcast-align
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
    -Werror=address-of-packed-member -Werror=return-type -Werror=vla
    -Wno-missing-field-initializers)
endfunction()
