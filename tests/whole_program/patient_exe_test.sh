#!/usr/bin/env bash
# tavrel-patient.exe under Wine, from the command line: the Linux tool's test
# (tests/patient_command_test.cpp) run on the Windows program, with the same
# photographs and the same checks of its outputs.
#
#   patient_exe_test.sh TAVREL_PATIENT_EXE
# From tools/test-windows.sh: TAVREL_WINE, TAVREL_TEST_PATIENT_COMMAND_TESTS.
set -euo pipefail
if [[ -z ${TAVREL_TEST_PATIENT_COMMAND_TESTS:-} || ! -x $TAVREL_TEST_PATIENT_COMMAND_TESTS ]]; then
  echo "the Linux build's patient_command_tests is not named: tools/test-windows.sh names it"
  exit 77
fi
exec env TAVREL_PATIENT_EXE="$1" TAVREL_WINE="${TAVREL_WINE:-wine}" "$TAVREL_TEST_PATIENT_COMMAND_TESTS"
