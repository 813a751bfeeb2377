"""What a fleet of desks starting at once costs the database server, with and
without PgBouncer in front of it.

A native load generator (tests/bench/fleet_load.cpp, on the system's libpq,
with the updater's own keywords and release query) runs a fixed number of
updater sessions (connect with SCRAM, the release query, read nrversao,
disconnect), a fixed number at a time, on a throw-away cluster (statement
logging off, the shipped index, loopback only): first straight at the server,
then through PgBouncer in transaction pooling mode. For each it reports
sessions per second, p50 and p99 session time, failed sessions, and the CPU
time of the server, of the pooler and of the load generator itself; then
what an office of 10,000 desks starting at once costs the server.
Prints one Markdown table and writes it to build/bench/fleet.md.

    scripts/bench-fleet [--sessions N] [--concurrency C] [--pool-size P] [--output FILE]
"""

import argparse
import os
import resource
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
from pg_harness import DATABASE, PASSWORD, USER, Catalogue, Cluster
from pgbouncer_harness import PgBouncer

BUILD = REPO / "build" / "bench-native"
OFFICE = 10_000
TICKS = os.sysconf("SC_CLK_TCK")


def build_load_generator():
    """An optimised native build without sanitizers, of this one program."""
    subprocess.run(["cmake", "--preset", "native", "-B", BUILD, "-DTOLVAR_SANITIZE=OFF",
                    "-DCMAKE_BUILD_TYPE=Release"], cwd=REPO, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "--target", "fleet_load"], cwd=REPO, check=True,
                   stdout=subprocess.DEVNULL)
    return BUILD / "tests" / "bench" / "fleet_load"


def cpu_seconds(pid):
    """CPU time of a process, with its children alive and ended: user and system."""
    def stat(p):
        with open(f"/proc/{p}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()
    fields = stat(pid)
    # After the ")": state is field 0, ppid 1, utime 11, stime 12, cutime 13, cstime 14.
    ticks = sum(int(value) for value in fields[11:15])
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                child = stat(entry)
            except (FileNotFoundError, ProcessLookupError):
                continue
            if child[1] == str(pid):
                ticks += int(child[11]) + int(child[12])
    return ticks / TICKS


def run_fleet(load_generator, port, sessions, concurrency, server_pid, pooler_pid=None):
    server, pooler = cpu_seconds(server_pid), pooler_pid and cpu_seconds(pooler_pid)
    own = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run([load_generator, "127.0.0.1", str(port), DATABASE, USER, PASSWORD,
                           str(sessions), str(concurrency)], stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, check=True, timeout=3600)
    time.sleep(0.2)  # the last server processes end and are counted
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    result = dict(line.split("=", 1) for line in done.stdout.splitlines())
    result["server_cpu"] = cpu_seconds(server_pid) - server
    result["pooler_cpu"] = pooler_pid and cpu_seconds(pooler_pid) - pooler
    result["client_cpu"] = after.ru_utime + after.ru_stime - own.ru_utime - own.ru_stime
    return result


def office_estimate(name, result, cpus):
    """How long 10,000 desks starting at once keep the server (and pooler) busy."""
    good = int(result["sessions"]) - int(result["failed"])
    server_ms = result["server_cpu"] / good * 1000
    text = (f"- {name}: {server_ms:.2f} ms of server CPU per desk, so {OFFICE:,} desks cost "
            f"{server_ms * OFFICE / 1000:.0f} CPU-seconds, about {server_ms * OFFICE / 1000 / cpus:.0f} s "
            f"of all {cpus} CPUs")
    if result["pooler_cpu"]:
        pooler_ms = result["pooler_cpu"] / good * 1000
        text += (f"; the pooler (one thread) {pooler_ms:.2f} ms per desk, "
                 f"{pooler_ms * OFFICE / 1000:.0f} s of one CPU")
    return text + f"; here, with the desks' side on the same CPUs, {OFFICE / float(result['per_second']):.0f} s."


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sessions", type=int, default=5000)
    parser.add_argument("--concurrency", type=int, default=50)
    parser.add_argument("--pool-size", type=int, default=20)
    parser.add_argument("--output", type=Path, default=REPO / "build" / "bench" / "fleet.md")
    args = parser.parse_args()

    load_generator = build_load_generator()
    workdir = tempfile.mkdtemp(prefix="bench-fleet-")
    cluster = Cluster(workdir)
    pooler = PgBouncer(cluster, Path(workdir) / "pgbouncer", pool_size=args.pool_size,
                       max_client_conn=max(1000, 2 * args.concurrency))
    results = {}
    try:
        cluster.start()
        # Logging every statement would be most of the server's work here.
        cluster.sql("ALTER SYSTEM SET log_statement = 'none'", database="postgres")
        cluster.sql("SELECT pg_reload_conf()", database="postgres")
        Catalogue(cluster).create()
        cluster.sql((REPO / "packaging" / "sql" / "catalogue-index.sql").read_text())
        Catalogue(cluster).set_rows([(11, n) for n in range(1, 50)] + [(3, 99)])
        server_pid = int((cluster.data / "postmaster.pid").read_text().split()[0])
        pooler.start()
        results["straight to the server"] = run_fleet(load_generator, cluster.port, args.sessions,
                                                      args.concurrency, server_pid)
        results["through PgBouncer"] = run_fleet(load_generator, pooler.port, args.sessions,
                                                 args.concurrency, server_pid, pooler.process.pid)
    finally:
        pooler.stop()
        cluster.stop()
        shutil.rmtree(workdir, ignore_errors=True)

    lines = ["| path | sessions/s | p50 ms | p99 ms | failed | server CPU s | pooler CPU s | load generator CPU s |",
             "|---|---:|---:|---:|---:|---:|---:|---:|"]
    for name, r in results.items():
        pooler_cpu = f"{r['pooler_cpu']:.2f}" if r["pooler_cpu"] else "–"
        lines.append(f"| {name} | {float(r['per_second']):.0f} | {r['p50_ms']} | {r['p99_ms']} | "
                     f"{r['failed']} | {r['server_cpu']:.2f} | {pooler_cpu} | {r['client_cpu']:.2f} |")
        if r["nrversao"] != "49" or r["first_error"]:
            lines.append(f"|  | first error: {r['first_error']} (nrversao {r['nrversao']}) | | | | | | |")
    cpus = os.cpu_count()
    notes = (f"PostgreSQL {cluster.bin.parent.name}, PgBouncer in transaction pooling mode "
             f"(default_pool_size {args.pool_size}), {cpus} CPUs shared by server, pooler and load "
             f"generator; {args.sessions:,} sessions, {args.concurrency} at a time, each a new "
             "connection with SCRAM over TCP on 127.0.0.1.")
    estimate = "\n".join(office_estimate(name, r, cpus) for name, r in results.items())
    text = (f"# A fleet starting at once\n\n" + "\n".join(lines) + f"\n\n{notes}\n\n"
            f"An office of {OFFICE:,} desks starting at once:\n{estimate}\n")
    print(text)
    args.output.parent.mkdir(parents=True, exist_ok=True)
    args.output.write_text(text)
    print(f"written to {args.output}")


if __name__ == "__main__":
    main()
