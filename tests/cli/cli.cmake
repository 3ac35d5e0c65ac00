# The command line and headless runs as a person meets them (tests/cli/surface.sh): the
# message box's line forms through --do, what the program prints, script errors, signals and
# run limits, launch arguments, quitting, a project in use by another program, projects left
# unchanged, and projects that long runs and kills leave whole.
set(KV_SURFACE_CASES do-forms eval-lines unknown-command error-report launch-arguments quit interrupt terminate tick-limit in-use unchanged
  long-run kill-loop)
foreach(case ${KV_SURFACE_CASES})
  add_test(NAME cli_surface_${case}
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/surface.sh ${case} $<TARGET_FILE:kestrove> $<TARGET_FILE:makeproject>
      $<TARGET_FILE:verifyproject> ${KV_CLI_DIR}/surface-${case})
  set_tests_properties(cli_surface_${case} PROPERTIES ENVIRONMENT "TZ=UTC" TIMEOUT 120)
endforeach()
