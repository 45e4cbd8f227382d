#!/usr/bin/env bash
# The version request as it reaches the service, byte for byte.
source "$(dirname "$0")/e2e-lib.sh"

e2e_init version-request
e2e_start_display
e2e_spawn recorder "$ZORVIA_E2E_TOOL" record --port-file "$E2E_WORK/recorder.port" \
    --out "$E2E_WORK/request" --body 3.0.0.0
e2e_wait_file "$E2E_WORK/recorder.port" 10 || e2e_fail "recording server did not start"
port=$(cat "$E2E_WORK/recorder.port")
export ZORVIA_SERVICE_URL="http://127.0.0.1:$port"
e2e_install_program "$E2E_WORK/bin"
e2e_start_zorvia

e2e_wait_file "$E2E_WORK/request.1" 30 || e2e_fail "no request reached the service"
printf 'GET /software/zor_version.php HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1:%s\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n' \
    "$port" >"$E2E_WORK/expected-request"
if ! cmp -s "$E2E_WORK/expected-request" "$E2E_WORK/request.1"; then
    echo "expected:"; od -c "$E2E_WORK/expected-request"
    echo "received:"; od -c "$E2E_WORK/request.1"
    e2e_fail "the version request differs"
fi
e2e_log "ok: version request is exactly as expected"

main=$(e2e_wait_window '^ZorviaⅡ$' 90) || e2e_fail "no normal start after the reply 3.0.0.0"
e2e_close_and_wait "$main" "$E2E_ZORVIA_PID" 30 || e2e_fail "zorvia did not end"
e2e_expect_eq 0 "$E2E_EXIT_STATUS" "exit status"
e2e_pass
