# The command line and headless runs as a person meets them (tests/cli/surface.sh): the
# message box's line forms through --do, what the program prints, script errors, signals and
# run limits, launch arguments, quitting, a project in use by another program, projects left
# unchanged, and projects that long runs and kills leave whole.
set(KV_SURFACE_CASES do-forms eval-lines unknown-command error-report launch-arguments quit interrupt terminate tick-limit in-use unchanged message-box
  long-run kill-loop)
foreach(case ${KV_SURFACE_CASES})
  add_test(NAME cli_surface_${case}
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/surface.sh ${case} $<TARGET_FILE:kestrove> $<TARGET_FILE:makeproject>
      $<TARGET_FILE:verifyproject> ${KV_CLI_DIR}/surface-${case})
  set_tests_properties(cli_surface_${case} PROPERTIES ENVIRONMENT "TZ=UTC" TIMEOUT 120)
endforeach()

# On a real X server (Xvfb): the demo's window shows what a headless run composes, before and
# after typed keys and a click, and its close box ends the program; a second kestrove hands
# its project to the running one (tests/cli/display.sh). The
# X, SDL and audio libraries' own leaks are not ours (display.supp names only them).
add_test(NAME cli_display
  COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/display.sh $<TARGET_FILE:kestrove> $<TARGET_FILE:screenmatch>
    $<TARGET_FILE:makeproject> ${KV_CLI_DIR}/display)
set_tests_properties(cli_display PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77
  ENVIRONMENT "TZ=UTC;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/display.supp:print_suppressions=0")
