#!/usr/bin/env bash
# Checks the floors of the source tree: every folder includes only from the floors below it
# (services -> deals -> pictures -> views -> app), and no widget or window file includes the HTTP
# client except the main window's header, which holds the client. Prints every offending include
# and exits 1 when there is one.
set -uo pipefail
cd "$(dirname "$0")/.."

status=0
# check FOLDER PATTERN: no file of FOLDER includes a header matching PATTERN.
check() {
    local found
    found=$(grep -rnE "^#include \"($2)" "$1" --include='*.cpp' --include='*.h' |
        grep -vE "^app/frm_main\.h:[0-9]+:#include \"services/http/")
    if [ -n "$found" ]; then
        echo "$1 includes from above its floor (or the HTTP client):"
        echo "$found"
        status=1
    fi
}
check services 'deals/|pictures/|views/|app/'
check deals 'pictures/|views/|app/'
check pictures 'views/|app/|services/http/'
check views 'app/|services/http/'
check app 'services/http/'
[ "$status" = 0 ] && echo "every include runs down: services <- deals <- pictures <- views <- app"
exit "$status"
