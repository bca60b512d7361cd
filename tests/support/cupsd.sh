#!/usr/bin/env bash
# A private print server for the tests: its own configuration, spool, socket and a PDF
# queue that writes into a folder of its own, so that tests print through a real queue
# without touching the machine's printing set-up.
#   cupsd.sh start DIR   start (again) and print the environment the tests need
#   cupsd.sh stop DIR    stop the server started for DIR and remove its files
# DIR is a build folder; the server's files live in a short folder under /tmp because a
# socket path must stay short.
set -euo pipefail

key() { printf '%s' "$(readlink -f "$1")" | md5sum | cut -c1-12; }
run_dir() { echo "/tmp/sleevane-cups-$(key "$1")"; }
# The PDF backend reads its settings only from the system's folder, by queue name: each
# build folder gets a queue of its own and a settings file that is removed with it.
queue_name() { echo "sleevane-pdf-$(key "$1")"; }
backend_conf() { echo "/etc/cups/cups-pdf-$1.conf"; }

stop_server() {
    local dir=$1 pid
    [ -f "$dir/cupsd.pid.own" ] || return 0
    pid=$(cat "$dir/cupsd.pid.own")
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/cupsd.pid.own"
}

find_ppd() {
    local f
    for f in /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
             /usr/share/ppd/cups-pdf/CUPS-PDF.ppd; do
        [ -f "$f" ] && { echo "$f"; return 0; }
    done
    find /usr/share/ppd /usr/share/cups/model -iname 'CUPS-PDF*.ppd*' 2>/dev/null | head -1
}

write_config() {
    local dir=$1 queue=$2 user group
    mkdir -p "$dir"/{etc/ppd,spool/tmp,cache,state/certs,log,out,cups-pdf-spool}
    if [ "$(id -u)" -eq 0 ]; then
        user=lp; group=lp
        # Filters run as lp and read the spool; the PDF backend runs as root.
        chmod 755 "$dir" "$dir"/{etc,cache,state,log,out}
        chown root:lp "$dir/spool" "$dir/spool/tmp" "$dir/cache"
        chmod 1770 "$dir/spool/tmp"; chmod 710 "$dir/spool"; chmod 770 "$dir/cache"
        chmod 1777 "$dir/cups-pdf-spool"
    else
        user=$(id -un); group=$(id -gn)
    fi
    cat >"$dir/etc/cupsd.conf" <<CONF
LogLevel warn
AccessLogLevel all
Listen $dir/cups.sock
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
DefaultEncryption Never
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
    cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerBin /usr/lib/cups
DataDir /usr/share/cups
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
FileDevice Yes
User $user
Group $group
SystemGroup $(id -gn)
Sandboxing Relaxed
CONF
    # The PDF backend's settings for this queue: output into out/. Without rights on the
    # system's folder the backend keeps its own settings (see out_dir).
    if [ -w /etc/cups ]; then
        cat >"$(backend_conf "$queue")" <<CONF
Out $dir/out
AnonDirName $dir/out
Spool $dir/cups-pdf-spool
Logdir $dir/log
Label 0
CONF
    fi
}

# Where the backend writes: our folder, or the Out setting of the system's file.
out_dir() {
    local dir=$1 queue=$2 out
    if [ -f "$(backend_conf "$queue")" ]; then
        echo "$dir/out"
        return
    fi
    out=$(sed -n 's/^[[:space:]]*Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -1)
    out=${out:-/var/spool/cups-pdf/\${USER}}
    out=${out//\$\{HOME\}/$HOME}
    echo "${out//\$\{USER\}/$(id -un)}"
}

wait_ready() {
    local dir=$1
    for _ in $(seq 100); do
        CUPS_SERVER=$dir/cups.sock lpstat -r 2>/dev/null | grep -q "is running" && return 0
        kill -0 "$(cat "$dir/cupsd.pid.own")" 2>/dev/null || break
        sleep 0.1
    done
    echo "cupsd did not start; its log:" >&2
    cat "$dir/log/error_log" >&2 2>/dev/null || true
    return 1
}

start_server() {
    local dir=$1 queue=$2 ppd
    stop_server "$dir"
    rm -rf "$dir"
    write_config "$dir" "$queue"
    /usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
        </dev/null >>"$dir/log/cupsd.out" 2>&1 &
    echo $! >"$dir/cupsd.pid.own"
    wait_ready "$dir"
    ppd=$(find_ppd)
    [ -n "$ppd" ] || { echo "no CUPS-PDF PPD found" >&2; return 1; }
    CUPS_SERVER=$dir/cups.sock lpadmin -p "$queue" -E -v "cups-pdf:/$queue" -P "$ppd" \
        -D "PDF queue of the tests"
    CUPS_SERVER=$dir/cups.sock lpadmin -d "$queue"
    # A printer with unprintable margins, 600 dpi, a short paper list, paper sources and
    # two-sided printing; it writes through the same backend settings.
    CUPS_SERVER=$dir/cups.sock lpadmin -p "$queue-margins" -E -v "cups-pdf:/$queue" \
        -P "$(dirname "$(readlink -f "$0")")/../data/printing/margins.ppd" -D "Margins test printer"
    # A queue that refuses jobs, for the errors of a rejected job.
    CUPS_SERVER=$dir/cups.sock lpadmin -p "$queue-closed" -E -v "cups-pdf:/$queue" -P "$ppd" \
        -D "Closed test printer"
    CUPS_SERVER=$dir/cups.sock cupsreject -r "closed for the tests" "$queue-closed"
    echo "export CUPS_SERVER=$dir/cups.sock"
    echo "export SLEEVANE_PDF_QUEUE=$queue"
    echo "export SLEEVANE_MARGINS_QUEUE=$queue-margins"
    echo "export SLEEVANE_CLOSED_QUEUE=$queue-closed"
    echo "export SLEEVANE_PDF_OUT=$(out_dir "$dir" "$queue")"
}

case "${1:-}" in
start) start_server "$(run_dir "$2")" "$(queue_name "$2")" ;;
stop)
    dir=$(run_dir "$2")
    stop_server "$dir"
    rm -rf "$dir"
    rm -f "$(backend_conf "$(queue_name "$2")")" 2>/dev/null || true
    ;;
*)
    echo "usage: $0 start|stop BUILD_DIR" >&2
    exit 2
    ;;
esac
