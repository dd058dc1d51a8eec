#!/bin/sh
# Runs the notebook benchmarks and the memory mode of an existing build and
# prints the figures as Markdown tables. Builds nothing:
#   cmake -S . -B build-bench -DYURIMOKA_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-bench -j2
#   bench/run.sh [build folder, default build-bench]
set -eu

build=${1:-build-bench}
bench=$build/bench/yurimoka_bench
if [ ! -x "$bench" ]; then
    echo "run.sh: no $bench; build it first" >&2
    exit 1
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Three runs of at least half a second each; the table takes the median, which
# shrugs off a run slowed by other work on the machine.
"$bench" --benchmark_min_time=0.5 --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/times.csv" --benchmark_out_format=csv
echo
"$bench" --memory | tee "$out/memory.txt"
echo
"$bench" --history-disk
echo

# CPU time throughout: the machine may be shared, and a busy neighbour
# stretches the wall clock of everything. Saving also waits for the disk
# (every file is synced), so it gets a wall-clock column of its own.
awk -F, '
    # rows look like "BM_Load/29999_median",3,44.1,44.0,ms,...
    $1 ~ /_median"$/ {
        name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
        split(name, part, "/")
        if ($5 == "us") { $3 /= 1000; $4 /= 1000 }
        else if ($5 != "ms") { print "unexpected time unit " $5 " for " name > "/dev/stderr"; exit 1 }
        cpu[part[1], part[2]] = $4
        wall[part[1], part[2]] = $3
    }
    function cell(b, n) { return b == "wall" ? wall["BM_Save", n] : cpu[b, n] }
    END {
        nb = split("BM_Load BM_Decode BM_Save wall BM_SaveUnchanged BM_RebuildAll BM_RebuildCategory BM_ListRebuildAll BM_ListRebuildCategory", b, " ")
        ns = split("1000 10000 20000 29999", n, " ")
        print "| haiku | load | decode | save, one haiku changed | same, wall clock | save, nothing changed | rows 全部 | rows one category | window list 全部 | window list one category |"
        print "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
        for (i = 1; i <= ns; i++) {
            row = "| " n[i]
            for (j = 1; j <= nb; j++) row = row (cell(b[j], n[i]) == "" ? " | –" : sprintf(" | %.3f ms", cell(b[j], n[i])))
            print row " |"
        }
        row = "| growth 10 000 → 29 999 (×3.0 is linear)"
        for (j = 1; j <= nb; j++) row = row (cell(b[j], 10000) == "" ? " | –" : sprintf(" | ×%.2f", cell(b[j], 29999) / cell(b[j], 10000)))
        print row " |"
        row = "| growth 20 000 → 29 999 (×1.5 is linear)"
        for (j = 1; j <= nb; j++) row = row (cell(b[j], 20000) == "" ? " | –" : sprintf(" | ×%.2f", cell(b[j], 29999) / cell(b[j], 20000)))
        print row " |"
        print ""
        printf "load / decode at 29 999 haiku: ×%.2f\n", cpu["BM_Load", 29999] / cpu["BM_Decode", 29999]

        # Finding and ordering: a keyword found in about one poem in ten.
        nf = split("BM_Search BM_RebuildKeyword BM_Move BM_ListSearch BM_ListMove", f, " ")
        print ""
        print "| haiku | search | rows under the keyword | 上へ / 下へ | window 検索 | window 上へ / 下へ |"
        print "|---:|---:|---:|---:|---:|---:|"
        for (i = 1; i <= ns; i++) {
            row = "| " n[i]
            for (j = 1; j <= nf; j++) row = row (cpu[f[j], n[i]] == "" ? " | –" : sprintf(" | %.3f ms", cpu[f[j], n[i]]))
            print row " |"
        }
        row = "| growth 10 000 → 29 999 (×3.0 is linear)"
        for (j = 1; j <= nf; j++) row = row (cpu[f[j], 10000] == "" ? " | –" : sprintf(" | ×%.2f", cpu[f[j], 29999] / cpu[f[j], 10000]))
        print row " |"
        row = "| growth 20 000 → 29 999 (×1.5 is linear)"
        for (j = 1; j <= nf; j++) row = row (cpu[f[j], 20000] == "" ? " | –" : sprintf(" | ×%.2f", cpu[f[j], 29999] / cpu[f[j], 20000]))
        print row " |"
        # Storing and deleting one haiku, with the files written and the list refilled.
        if (cpu["BM_StoreNew", 1000] != "") {
            print ""
            print "| haiku | store a new haiku | same, wall clock | delete the first haiku | same, wall clock |"
            print "|---:|---:|---:|---:|---:|"
            ne = split("1000 10000 29999", e, " ")
            for (i = 1; i <= ne; i++)
                printf "| %s | %.3f ms | %.3f ms | %.3f ms | %.3f ms |\n", e[i], cpu["BM_StoreNew", e[i]], wall["BM_StoreNew", e[i]], cpu["BM_DeleteFirst", e[i]], wall["BM_DeleteFirst", e[i]]
            printf "| growth 1 000 → 10 000 (×10 is linear) | ×%.2f | ×%.2f | ×%.2f | ×%.2f |\n", cpu["BM_StoreNew", 10000] / cpu["BM_StoreNew", 1000], wall["BM_StoreNew", 10000] / wall["BM_StoreNew", 1000], cpu["BM_DeleteFirst", 10000] / cpu["BM_DeleteFirst", 1000], wall["BM_DeleteFirst", 10000] / wall["BM_DeleteFirst", 1000]
            printf "| growth 10 000 → 29 999 (×3.0 is linear) | ×%.2f | ×%.2f | ×%.2f | ×%.2f |\n", cpu["BM_StoreNew", 29999] / cpu["BM_StoreNew", 10000], wall["BM_StoreNew", 29999] / wall["BM_StoreNew", 10000], cpu["BM_DeleteFirst", 29999] / cpu["BM_DeleteFirst", 10000], wall["BM_DeleteFirst", 29999] / wall["BM_DeleteFirst", 10000]
        }
        # The count of a poem's sounds, and MeCab's dictionary loaded for it.
        if (cpu["BM_OnsuCount", 0] != "") {
            print ""
            print "| count a 17-character poem, kana | count a 15-character poem with kanji | load MeCab and its dictionary | same, wall clock |"
            print "|---:|---:|---:|---:|"
            printf "| %.1f µs | %.1f µs | %.1f ms | %.1f ms |\n", cpu["BM_OnsuCount", 0] * 1000, cpu["BM_OnsuCount", 1] * 1000, cpu["BM_OnsuLoad", ""], wall["BM_OnsuLoad", ""]
        }
        # 句集を作る on the whole notebook, rendered into memory.
        if (cpu["BM_Booklet", 1000] != "") {
            print ""
            print "| haiku | booklet, A5 with dates | same, wall clock |"
            print "|---:|---:|---:|"
            nb2 = split("1000 29999", k, " ")
            for (i = 1; i <= nb2; i++)
                printf "| %s | %.0f ms | %.0f ms |\n", k[i], cpu["BM_Booklet", k[i]], wall["BM_Booklet", k[i]]
        }
        # Deleting one haiku with the replaced haiku.dat kept in 履歴 (a hard
        # link, or a copy onto another file system) and without keeping it.
        if (cpu["BM_DeleteKeptByLink", 1000] != "") {
            print ""
            print "| haiku | delete, kept by a link | wall clock | kept by a copy (/dev/shm) | wall clock | nothing kept | wall clock | link / nothing (CPU) |"
            print "|---:|---:|---:|---:|---:|---:|---:|---:|"
            ne = split("1000 10000 29999", e, " ")
            for (i = 1; i <= ne; i++)
                printf "| %s | %.3f ms | %.3f ms | %.3f ms | %.3f ms | %.3f ms | %.3f ms | ×%.2f |\n", e[i], cpu["BM_DeleteKeptByLink", e[i]], wall["BM_DeleteKeptByLink", e[i]], cpu["BM_DeleteKeptByCopy", e[i]], wall["BM_DeleteKeptByCopy", e[i]], cpu["BM_DeleteNothingKept", e[i]], wall["BM_DeleteNothingKept", e[i]], cpu["BM_DeleteKeptByLink", e[i]] / cpu["BM_DeleteNothingKept", e[i]]
        }
    }' "$out/times.csv"

awk '
    /^VmRSS empty/ { empty = $(NF-1) }
    /^VmRSS [0-9]/ { full = $(NF-1) }
    /^difference/  { diff = $2; each = $4; sub(/\(/, "", each) }
    END {
        print ""
        print "| resident memory | MiB |"
        print "|---|---:|"
        print "| empty notebook | " empty " |"
        print "| 29 999 haiku loaded, list built | " full " |"
        print "| difference | " diff " (" each " bytes a haiku) |"
    }' "$out/memory.txt"
