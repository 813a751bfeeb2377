"""Cost of the release query as the release catalogue grows.

For 1 thousand to 1 million catalogue rows (40 tools, tool 11 one fortieth of
them), without an index, with an index on idferramenta alone, and with the
shipped index (packaging/sql/catalogue-index.sql), on a throw-away cluster:
  - the query under EXPLAIN (ANALYZE, BUFFERS), run several times: median
    execution time, the plan, the buffers it touches;
  - pgbench with a new connection for every query, over TCP with a password,
    as each desktop's updater does: starts served per second.
Prints one Markdown table and writes it to build/bench/catalogue.md.

    scripts/bench-catalogue [--runs N] [--seconds S] [--output FILE]
"""

import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import tempfile
import time
from pathlib import Path

from pg_harness import DATABASE, PASSWORD, USER, Catalogue, Cluster
from tolvar_constants import RELEASE_QUERY, RELEASE_STATEMENT

REPO = Path(__file__).resolve().parents[1]
SIZES = (1_000, 10_000, 100_000, 1_000_000)
TOOLS = 40
SHIPPED_INDEX = (REPO / "packaging" / "sql" / "catalogue-index.sql").read_text()
INDEXES = (
    ("none", None),
    ("(idferramenta)", "CREATE INDEX bench_idferramenta_idx ON vazudevizu.tbversaoferramenta (idferramenta)"),
    ("(idferramenta, nrversao DESC)", SHIPPED_INDEX),
)


def fill(cluster, rows):
    """`rows` releases spread over the tools; a few NULL release numbers in
    other tools, none in tool 11, so that its newest release is a number."""
    cluster.sql(
        "TRUNCATE vazudevizu.tbversaoferramenta; "
        "INSERT INTO vazudevizu.tbversaoferramenta (idferramenta, nrversao, dsobservacao) "
        f"SELECT 1 + i % {TOOLS}, "
        f"CASE WHEN i % {TOOLS} <> 10 AND i % 1009 = 0 THEN NULL ELSE i / {TOOLS} END, "
        f"'Versão ' || i / {TOOLS} || ' da ferramenta ' || 1 + i % {TOOLS} "
        f"FROM generate_series(0, {rows - 1}) AS i")
    cluster.sql("VACUUM ANALYZE vazudevizu.tbversaoferramenta")


def plan_text(node):
    """The plan's node types from the top down, e.g. "Limit › Index Scan"."""
    steps = []
    while node:
        step = ("Parallel " if node.get("Parallel Aware") else "") + node["Node Type"]
        if "Sort Method" in node:
            step += f" ({node['Sort Method']})"
        steps.append(step)
        node = (node.get("Plans") or [None])[0]
    return " › ".join(steps)


def explain(cluster, runs):
    """One warm-up run, then `runs` measured ones, all in one session."""
    statement = f"EXPLAIN (ANALYZE, BUFFERS, FORMAT JSON) {RELEASE_QUERY}"
    output = cluster.sql(statement * (runs + 1))
    decoder = json.JSONDecoder()
    results, pos = [], 0
    while output[pos:].strip():
        pos += len(output[pos:]) - len(output[pos:].lstrip())
        value, pos = decoder.raw_decode(output, pos)
        results.append(value[0])
    return results[1:]


def starts_per_second(cluster, seconds, workdir):
    """Connect, run the query, disconnect, as fast as 4 clients can."""
    script = Path(workdir) / "release-query.sql"
    script.write_text(RELEASE_QUERY + "\n")
    done = subprocess.run(
        [cluster.bin / "pgbench", "-n", "-C", "-c", "4", "-j", "2", "-T", str(seconds),
         "-f", script, "-h", "127.0.0.1", "-p", str(cluster.port), "-U", USER, DATABASE],
        env={**os.environ, "PGPASSWORD": PASSWORD}, stdin=subprocess.DEVNULL,
        capture_output=True, text=True, check=True, timeout=seconds + 60)
    return float(re.search(r"tps = ([0-9.]+)", done.stdout).group(1))


def newest(cluster):
    return cluster.sql(RELEASE_STATEMENT).strip()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7, help="measured EXPLAIN runs per case")
    parser.add_argument("--seconds", type=int, default=2, help="pgbench time per case")
    parser.add_argument("--output", type=Path, default=REPO / "build" / "bench" / "catalogue.md")
    args = parser.parse_args()

    lines = [
        "| catalogue rows | tool 11 rows | index | plan | median ms (min–max) | buffers | starts/s |",
        "|---:|---:|---|---|---:|---:|---:|",
    ]
    workdir = tempfile.mkdtemp(prefix="bench-catalogue-")
    cluster = Cluster(workdir)
    began = time.monotonic()
    try:
        cluster.start()
        Catalogue(cluster).create()
        for rows in SIZES:
            fill(cluster, rows)
            tool_rows = cluster.sql("SELECT count(*) FROM vazudevizu.tbversaoferramenta "
                                    "WHERE idferramenta = 11").strip()
            expected = newest(cluster)
            for name, ddl in INDEXES:
                if ddl:
                    cluster.sql(ddl)
                    cluster.sql("ANALYZE vazudevizu.tbversaoferramenta")
                # An index must change the cost, never the answer.
                if newest(cluster) != expected:
                    raise SystemExit(f"index {name} changes the newest release at {rows} rows")
                runs = explain(cluster, args.runs)
                times = [run["Execution Time"] for run in runs]
                top = runs[-1]["Plan"]
                buffers = top.get("Shared Hit Blocks", 0) + top.get("Shared Read Blocks", 0)
                rate = starts_per_second(cluster, args.seconds, workdir)
                plan = plan_text(top) + (" + JIT" if "JIT" in runs[-1] else "")
                lines.append(f"| {rows:,} | {tool_rows} | {name} | {plan} | "
                             f"{statistics.median(times):.3f} ({min(times):.3f}–{max(times):.3f}) | "
                             f"{buffers} | {rate:.0f} |")
                if ddl:
                    cluster.sql("DROP INDEX vazudevizu." + re.search(r"INDEX (?:IF NOT EXISTS )?(\w+)", ddl).group(1))
    finally:
        cluster.stop()
        shutil.rmtree(workdir, ignore_errors=True)

    server = cluster.bin.parent.name
    table = "\n".join(lines)
    notes = (f"PostgreSQL {server}, {os.cpu_count()} CPUs; {args.runs} measured runs after one warm-up "
             f"(data in shared buffers); starts/s: pgbench -C, 4 clients, {args.seconds} s, "
             f"TCP with SCRAM; {time.monotonic() - began:.0f} s in all.")
    print(table)
    print()
    print(notes)
    args.output.parent.mkdir(parents=True, exist_ok=True)
    args.output.write_text(f"# Release query cost by catalogue size\n\n{table}\n\n{notes}\n")
    print(f"written to {args.output}")


if __name__ == "__main__":
    main()
