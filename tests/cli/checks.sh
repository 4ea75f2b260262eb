# Sourced by the shell tests: a private folder, removed when the test ends; fail, which says a
# failure and counts it; finish, which says the count and fails when there was one.
folder=$(mktemp -d "${TMPDIR:-/tmp}/vxtts-$(basename "$0" .sh).XXXXXX")
trap 'rm -rf "$folder"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
finish() {
  echo "$(basename "$0" .sh): $failures failure(s)"
  [ "$failures" -eq 0 ]
}
