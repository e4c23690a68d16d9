#!/bin/sh
# Installs whichever of the Debian packages named as arguments are missing (`make deps`).
#
# A package index can fail for a while when its mirror is mid-sync; apt-get update then
# exits 100 though every other index is fresh. The update is tried a few times with a
# pause, then the install is tried anyway with the indexes there are: it fails only if
# the install itself fails, and then names the indexes that couldn't be fetched.
set -u

missing=""
for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
attempts=${APT_UPDATE_ATTEMPTS:-5}
pause=${APT_UPDATE_PAUSE:-10}
attempt=1
while ! apt-get update >"$log" 2>&1; do
    grep -E '^(Err|E):' "$log" >&2
    [ "$attempt" -ge "$attempts" ] && break
    echo "apt-get update failed (attempt $attempt of $attempts); trying again in $((attempt * pause)) s" >&2
    sleep $((attempt * pause))
    attempt=$((attempt + 1))
done
unfetched=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$log")

if DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing; then
    exit 0
fi
echo "make deps: installing$missing failed" >&2
if [ -n "$unfetched" ]; then
    echo "these package indexes couldn't be fetched (a mirror mid-sync? try again later):" >&2
    echo "$unfetched" | sed 's/^/  /' >&2
fi
exit 1
