# The tools on the generated cabinet at scale, each beside the bare loop over the statements
# it sent, as the administrator suffers them. Sourced by scripts/bench once the demo
# installation runs with the cabinet "Large" (database Large, login velmora_large) in its
# catalogue and drive.sh is sourced; defines scale_scrutel and scale_mendora.
#
# Every measured process runs under bench/cpu_time.py (the processor time Linux accounts to
# it) with bench's service_watch.exe beside it (the storage service's downtime, polled every
# 5 ms, and the process's peak working set). The statements come from the stand-in's trace
# of the tool's own run (DIR/trace); the bare loop sends them again in a process of its own.
# The tool and its loop alternate, three runs each, and every figure is a median; a ratio or
# a difference is the median of the three pairs' own (run i against loop i, side by side),
# which keeps a slow minute of the stand-in from counting against one side only.

scale_cpu="$VT_ROOT/bench/cpu_time.py"
scale_watch="$VT_WINDOWS/bench/service_watch.exe"
scale_bare="$VT_WINDOWS/bench/bare_loop.exe"

# The value after KEY on the last line of FILE that has it ("... KEY value ...").
scale_field() { # file key
    tr -d '\r' <"$1" 2>/dev/null | sed -n "s/.*\b$2 \([^ ]*\).*/\1/p" | tail -n1
}
scale_median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }
scale_calc() { awk "BEGIN { printf \"%.${2:-2}f\", $1 }"; } # expression [decimals]

# service_watch for IMAGE, polling before the caller starts anything: sets scale_watcher.
scale_watch_start() { # image out
    : >"$2"
    wine "$scale_watch" HalvixStoreP "$1" 1800 >"$2" 2>/dev/null &
    scale_watcher=$!
    local tries=0
    until grep -q ready "$2" || [ $((tries += 1)) -gt 600 ]; do sleep 0.05; done
}

# The cabinet the catalogue's "Large" opens: the stand-in reads it at each login.
scale_use() { # cabinet file, copy|link
    if [ "$2" = copy ]; then
        cp --remove-destination "$1" "$VT_DEMO_SQLDATA/Large.sqlite"
    else
        ln -sf "$1" "$VT_DEMO_SQLDATA/Large.sqlite"
    fi
}

# The stand-in traces the next run into a fresh folder when TRACE is given, else nothing.
scale_trace() { # [trace]
    rm -rf "$VT_DEMO_SQLDATA/trace"
    [ -z "$1" ] || { rm -rf "$1" && mkdir -p "$1" "$VT_DEMO_SQLDATA/trace"; }
}

# The bare loop over every statement file of TRACE, in OUT.{bare,cpu,watch}.
scale_bare_run() { # trace out
    cat "$1"/*.sql >"$2.sql"
    scale_watch_start bare_loop.exe "$2.watch"
    (cd "$(dirname "$2")" && python3 "$scale_cpu" "$2.cpu" wine "$scale_bare" \
        "127.0.0.1,$(vt_sqlserver port "$VT_DEMO_SQLDATA")" Large "$(basename "$2").sql" |
        tr -d '\r' >"$2.bare")
    wait "$scale_watcher"
}

# Scrutel.exe /check on the cabinet, in OUT.{cpu,watch}; the trace in TRACE when given.
scale_scrutel_run() { # out [trace]
    scale_trace "${2:-}"
    scale_watch_start Scrutel.exe "$1.watch"
    (cd "$(dirname "$1")" && python3 "$scale_cpu" "$1.cpu" wine "$scrutel" /check /cabinet Large \
        /report "$(basename "$1").report" >/dev/null 2>&1) || true
    wait "$scale_watcher"
    [ -z "${2:-}" ] || { mv "$VT_DEMO_SQLDATA/trace"/*.sql "$2"/ && rmdir "$VT_DEMO_SQLDATA/trace"; }
}

# Scrutel.exe /check against its bare loop: downtime, processor time, peak working set.
scale_scrutel() { # label cabinet-file documents
    local label=$1 dir="$VT_BUILD/bench-scale/scrutel-$1" i
    rm -rf "$dir" && mkdir -p "$dir"
    scale_use "$2" link
    vt_log "Scrutel.exe /check at $label documents: the run that records its statements"
    scale_scrutel_run "$dir/record" "$dir/trace"
    local down=() bare=() cpu=() bare_cpu=() peak=() ratio=() added=() cpu_ratio=()
    for i in 1 2 3; do
        scale_bare_run "$dir/trace" "$dir/bare-$i"
        scale_scrutel_run "$dir/run-$i"
        down+=("$(scale_field "$dir/run-$i.watch" downtime_ms)")
        peak+=("$(scale_field "$dir/run-$i.watch" peak_mb)")
        cpu+=("$(scale_field "$dir/run-$i.cpu" seconds)")
        bare+=("$(scale_field "$dir/bare-$i.bare" seconds)")
        bare_cpu+=("$(scale_field "$dir/bare-$i.cpu" seconds)")
        ratio+=("$(scale_calc "${down[-1]} / 1000 / ${bare[-1]}" 3)")
        added+=("$(scale_calc "(${down[-1]} / 1000 - ${bare[-1]}) * 1e6 / $3" 3)")
        cpu_ratio+=("$(scale_calc "${cpu[-1]} / ${bare_cpu[-1]}" 3)")
        echo "  run $i: down ${down[-1]} ms (bare loop ${bare[-1]} s); processor ${cpu[-1]} s (bare loop ${bare_cpu[-1]} s); peak ${peak[-1]} MB"
    done
    local rows d b c bc
    rows=$(scale_field "$dir/bare-1.bare" rows)
    d=$(scale_median "${down[@]}") b=$(scale_median "${bare[@]}")
    c=$(scale_median "${cpu[@]}") bc=$(scale_median "${bare_cpu[@]}")
    echo "Scrutel.exe /check, $label documents, $rows result rows: the service down $(scale_calc "$d / 1000") s against the bare loop's $b s; processor $c s against $bc s (medians of 3)"
    figure "scale-$label.scrutel_downtime" "$(scale_calc "$d / 1000" 3)" s
    figure "scale-$label.scrutel_bare_seconds" "$b" s
    figure "scale-$label.scrutel_added_us_per_document" "$(scale_median "${added[@]}")" us
    figure "scale-$label.scrutel_cpu_us_per_row" "$(scale_calc "$c * 1e6 / $rows")" us
    figure "scale-$label.scrutel_bare_cpu_us_per_row" "$(scale_calc "$bc * 1e6 / $rows")" us
    figure "scale-$label.scrutel_cpu_ratio" "$(scale_median "${cpu_ratio[@]}")" ratio
    figure "scale-$label.scrutel_peak_mb" "$(scale_median "${peak[@]}")" MB
    figure "scale-$label.scrutel_downtime_ratio" "$(scale_median "${ratio[@]}")" ratio
}

# Mendora.exe through its windows on a fresh copy of the cabinet: check, the first valid
# account, the repair; OUT.{cpu,watch,ms}. The document types are set right first, so that
# the repair is the user repair and its closing pause.
scale_mendora_run() { # cabinet-file out [trace]
    scale_use "$1" copy
    for doc_types in "$WINEPREFIX"/drive_c/Velmora/data/ZqlDocType.sqlite \
        "$WINEPREFIX"/drive_c/Velmora/Zeph5/data/ZqlDocType.sqlite; do
        python3 -c 'import sqlite3, sys; db = sqlite3.connect(sys.argv[1]); db.execute("update MasterDocType set DocNumberFormat = null where DocNumberFormat = '"'NULL'"'"); db.commit()' "$doc_types"
    done
    scale_trace "${3:-}"
    scale_watch_start Mendora.exe "$2.watch"
    local title=$mendora_title
    tool_wrapper="python3 $scale_cpu $2.cpu" start_tool "$mendora" "$title"
    select_cabinets "$title" Large
    ui click "$title" 1 >/dev/null # the check phase
    until [ "$(ui text "$title" 1)" = 補正実行 ] && [ "$(ui enabled "$title" 2)" = 1 ]; do sleep 0.5; done
    ui click "$title" 1 >/dev/null # the accounts
    wait_until visible "$title" 1005 600
    ui listview-select "$title" 1005 0 >/dev/null
    ui click-until-shown "$title" 1 1002 --until-enabled 2 --timeout 1800000 | sed -n 2p >"$2.ms" || true
    ui click "$title" 2 >/dev/null
    wait "$pid" || true
    wait "$scale_watcher"
    rm -rf "$work"
    [ -z "${3:-}" ] || { mv "$VT_DEMO_SQLDATA/trace"/*.sql "$3"/ && rmdir "$VT_DEMO_SQLDATA/trace"; }
}

# Mendora.exe's repair against the bare loop over every statement of its run (the undo
# journal's selects included), on a fresh copy each time.
scale_mendora() { # label cabinet-file
    local label=$1 dir="$VT_BUILD/bench-scale/mendora-$1" i
    rm -rf "$dir" && mkdir -p "$dir"
    local repair=() bare=() cpu=() bare_cpu=() peak=() ratio=() cpu_ratio=() ms
    for i in 1 2 3; do
        if [ "$i" = 1 ]; then
            vt_log "Mendora.exe at $label documents (the first run records its statements)"
            scale_mendora_run "$2" "$dir/run-$i" "$dir/trace"
        else
            scale_mendora_run "$2" "$dir/run-$i"
        fi
        scale_use "$2" copy
        scale_bare_run "$dir/trace" "$dir/bare-$i"
        ms=$(cat "$dir/run-$i.ms")
        [ -n "$ms" ] || { echo "Mendora.exe at $label: run $i was not timed"; return 0; }
        repair+=("$(scale_calc "$ms / 1000 - 0.5" 3)") # less the closing pause
        peak+=("$(scale_field "$dir/run-$i.watch" peak_mb)")
        cpu+=("$(scale_field "$dir/run-$i.cpu" seconds)")
        bare+=("$(scale_field "$dir/bare-$i.bare" transaction_seconds)")
        bare_cpu+=("$(scale_field "$dir/bare-$i.cpu" seconds)")
        ratio+=("$(scale_calc "${repair[-1]} / ${bare[-1]}" 3)")
        cpu_ratio+=("$(scale_calc "${cpu[-1]} / ${bare_cpu[-1]}" 3)")
        echo "  run $i: repair ${repair[-1]} s (bare loop ${bare[-1]} s); processor ${cpu[-1]} s (bare loop ${bare_cpu[-1]} s); peak ${peak[-1]} MB"
    done
    local rows r b c bc
    rows=$(scale_field "$dir/bare-1.bare" rows)
    r=$(scale_median "${repair[@]}") b=$(scale_median "${bare[@]}")
    c=$(scale_median "${cpu[@]}") bc=$(scale_median "${bare_cpu[@]}")
    echo "Mendora.exe, $label documents: the repair $r s against the bare loop's $b s; the whole run's processor $c s against $bc s over $rows result rows (medians of 3)"
    figure "scale-$label.mendora_repair" "$r" s
    figure "scale-$label.mendora_bare_repair_seconds" "$b" s
    figure "scale-$label.mendora_cpu_us_per_row" "$(scale_calc "$c * 1e6 / $rows")" us
    figure "scale-$label.mendora_bare_cpu_us_per_row" "$(scale_calc "$bc * 1e6 / $rows")" us
    figure "scale-$label.mendora_cpu_ratio" "$(scale_median "${cpu_ratio[@]}")" ratio
    figure "scale-$label.mendora_peak_mb" "$(scale_median "${peak[@]}")" MB
    figure "scale-$label.mendora_repair_ratio" "$(scale_median "${ratio[@]}")" ratio
}
