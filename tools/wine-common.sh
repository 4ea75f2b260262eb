# Sourced by the scripts that run Windows programs under Wine (tools/wine-run.sh, the installer
# checks, tests/sapi/run_in_wine10.sh), whichever Wine and however they start it.

# wine_skip_reason LOADER-COMMAND...: prints why Windows programs of the loader's width cannot run
# here, if they cannot. Without IA32 emulation the kernel refuses every 32-bit program ("Exec format
# error", exit code 126), and Wine's 32-bit loader is one. A loader that is missing or fails
# otherwise is a broken installation, not a reason to skip: nothing is printed, and the run that
# follows fails saying why. The check reads the system's own message, so it is asked for in English.
wine_skip_reason() {
  local complaint status=0
  complaint=$(
    export LC_ALL=C
    "$@" --version 2>&1 >/dev/null
  ) || status=$?
  if [ "$status" -eq 126 ] && [[ $complaint == *"Exec format error"* ]]; then
    echo "this machine's kernel cannot run 32-bit programs ($*: Exec format error)"
  fi
}

# wine_make_prefix LOG LOADER-COMMAND...: makes the prefix that WINEPREFIX names, what Wine says
# going into LOG. Making a prefix now and then fails on a busy machine; a second try settles it.
# When both fail, LOG is shown on standard error and the function fails.
wine_make_prefix() {
  local log=$1
  shift
  "$@" wineboot --init >"$log" 2>&1 && return
  sleep 2
  "$@" wineboot --init >>"$log" 2>&1 && return
  cat "$log" >&2
  return 1
}
