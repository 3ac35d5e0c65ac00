# The token-name generator refuses a list where two tokens would share a name, or one token
# would have two names: each such list stops the build instead of writing a header.
#   cmake -DPERL=perl -DGENERATOR=buildtools/tokennames.pl -DWORK=dir -P tokennames_clash.cmake
set(cases
  "KV_KEYWORD(\"Put\", 2140)\nKV_KEYWORD(\"x\", 2141)\nKV_TOKEN(put, 2142)\n"
  "KV_KEYWORD(\"plus\", 1008)\nKV_TOKEN(minus, 1008)\n"
  "KV_KEYWORD(\"do\", 2047)\nKV_KEYWORD(\"x\", 2048)\nKV_TOKEN(do_, 2049)\n")
file(MAKE_DIRECTORY ${WORK})
set(n 0)
foreach(list IN LISTS cases)
  math(EXPR n "${n} + 1")
  file(WRITE ${WORK}/clash${n}.inc "${list}")
  file(REMOVE ${WORK}/clash${n}.h)
  execute_process(COMMAND ${PERL} ${GENERATOR} ${WORK}/clash${n}.inc ${WORK}/clash${n}.h
    RESULT_VARIABLE failed ERROR_VARIABLE said)
  if(NOT failed OR EXISTS ${WORK}/clash${n}.h)
    message(FATAL_ERROR "list ${n} was accepted")
  endif()
  message(STATUS "list ${n}: ${said}")
endforeach()
# A sound list is accepted and names its tokens.
file(WRITE ${WORK}/sound.inc "KV_KEYWORD(\"Put\", 2140)\nKV_KEYWORD(\"into\", 2141)\nKV_KEYWORD(\"in\", 2141)\nKV_KEYWORD(\"if\", 10012)\nKV_TOKEN(minus, 1001)\n")
execute_process(COMMAND ${PERL} ${GENERATOR} ${WORK}/sound.inc ${WORK}/sound.h RESULT_VARIABLE failed)
file(READ ${WORK}/sound.h made)
foreach(want "u16 put = 2140;" "u16 into = 2141;" "u16 if_ = 10012;" "u16 minus = 1001;")
  string(FIND "${made}" "${want}" at)
  if(failed OR at LESS 0)
    message(FATAL_ERROR "sound list: no \"${want}\" in\n${made}")
  endif()
endforeach()
