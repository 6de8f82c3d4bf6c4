"""The update benchmarks; run by bench/update-bench inside the test servers."""
import os
import shutil
import subprocess
import sys
import time

WORK = os.environ["BENCH_WORK"]
SITE = os.path.join(WORK, "site")
UPDATE = os.environ["BENCH_UPDATE"]
PUBLISH = os.environ["BENCH_PUBLISH"]
WINE = os.environ.get("BENCH_WINE")
WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cmake", "wine-run")
NGINX = os.environ["VUP_NGINX_URL"]
MB = 1048576
KEY_FILE = os.path.join(WORK, "bench.key")
PUBLIC_KEY = subprocess.run([PUBLISH, "keygen", "--secret-key", KEY_FILE], capture_output=True, text=True,
                            check=True).stdout.strip()
SEQ = [1794484334 + 10]


def make_files(folder, count, size):
    """`count` files of `size` random bytes in 50 folders, and the game executable."""
    os.makedirs(folder)
    block = os.urandom(size)
    for i in range(count):
        sub = os.path.join(folder, "d%02d" % (i % 50))
        os.makedirs(sub, exist_ok=True)
        with open(os.path.join(sub, "f%05d.rk" % i), "wb") as f:
            f.write(block[:16] + i.to_bytes(8, "little") + block[24:])
    with open(os.path.join(folder, "KSLv41.exe"), "wb") as f:
        f.write(b"MZ")


def publish(game, name):
    SEQ[0] += 1
    subprocess.run([PUBLISH, "build", "--game", game, "--out", os.path.join(SITE, name), "--secret-key",
                    KEY_FILE, "--seq", str(SEQ[0])], check=True, stdout=subprocess.DEVNULL)


def timed(command, env=None):
    start = time.monotonic()
    subprocess.run(command, check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def updater(folder, name, *args):
    env = dict(os.environ, VELMORA_TEST_UPDATE_URL=NGINX + name + "/", VELMORA_TEST_PUBLIC_KEY=PUBLIC_KEY,
               XDG_STATE_HOME=os.path.join(WORK, "state"))
    if WINE:
        command = [WINE_RUN, WINE, UPDATE, "--folder", "Z:" + folder.replace("/", "\\")] + list(args)
    else:
        command = [UPDATE, "--folder", folder] + list(args)
    return command, env


def report(name, ours, theirs, what):
    print("%s: ours %.3f s, %s %.3f s, ratio (theirs / ours) %.2f" % (name, ours, what, theirs, theirs / ours))
    sys.stdout.flush()


def best(runs, command, env=None):
    return min(timed(command, env) for _ in range(runs))


def bench_noop():
    game = os.path.join(WORK, "noop-game")
    make_files(game, 4999, 1000)
    publish(game, "noop")
    command, env = updater(game, "noop")
    subprocess.run(command, env=env, check=True, stderr=subprocess.DEVNULL)  # first run hashes and saves state
    ours = best(3, command, env)
    find = best(3, ["find", game, "-type", "f", "-printf", "%s %T@\n"])
    curl = best(3, ["curl", "-s", "-o", "/dev/null", NGINX + "noop/manifest.json"])
    report("(a) no-op run, 5000 files", ours, find + curl, "find -printf + curl of the manifest")


def bench_full_check():
    game = os.path.join(WORK, "check-game")
    make_files(game, 512, 4 * MB)  # 2 GiB
    publish(game, "check")
    command, env = updater(game, "check")
    state = os.path.join(game, "VelmoraUpdater.state.json")
    times = []
    for _ in range(2):
        if os.path.exists(state):
            os.remove(state)
        times.append(timed(command, env))
    files = [os.path.join(top, n) for top, _, names in os.walk(game) for n in names
             if n != "VelmoraUpdater.state.json"]
    sha = best(2, ["sha256sum"] + files)
    report("(b) full check with no state, 2 GiB in 513 files", min(times), sha, "sha256sum")


def bench_install():
    game = os.path.join(WORK, "install-game")
    make_files(game, 2000, 512 * 1024)  # 1000 MiB
    publish(game, "install")
    with open(os.path.join(SITE, "install", "manifest.json"), "rb") as f:
        f.read()
    digests = sorted(set(os.listdir(os.path.join(SITE, "install", "files"))))
    config = os.path.join(WORK, "curl.config")
    with open(config, "w") as f:
        for d in digests:
            f.write('url = "%sinstall/files/%s"\noutput = "/dev/null"\n' % (NGINX, d))
    curl = best(2, ["curl", "-s", "-K", config])
    # The same fetches written to files (without our flush to the disk per file).
    disk_config = os.path.join(WORK, "curl-disk.config")
    disk = os.path.join(WORK, "curl-disk")
    with open(disk_config, "w") as f:
        for d in digests:
            f.write('url = "%sinstall/files/%s"\noutput = "%s/%s"\n' % (NGINX, d, disk, d))
    disk_times = []
    for _ in range(2):
        shutil.rmtree(disk, True)
        os.makedirs(disk)
        disk_times.append(timed(["curl", "-s", "-K", disk_config]))
    shutil.rmtree(disk, True)
    times = []
    for i in range(2):
        target = os.path.join(WORK, "installed-%d" % i)
        os.makedirs(target)
        command, env = updater(target, "install", "--install")
        times.append(timed(command, env))
        shutil.rmtree(target)
    report("(c) fresh install, 1000 MiB in 2001 files", min(times), curl, "curl -K (one process)")
    report("(c') the same", min(times), min(disk_times), "curl -K writing the files")


def bench_memory():
    game = os.path.join(WORK, "big-game")
    os.makedirs(game)
    with open(os.path.join(game, "KSLv41.exe"), "wb") as f:
        f.write(b"MZ")
    # Wine 8's WinHTTP ends every body at 2 GiB - 1 bytes (fixed in later Wine), so
    # under Wine the file is 2000 MiB.
    pieces = 31 if WINE else 64
    chunk = os.urandom(64 * MB)
    with open(os.path.join(game, "big.rk"), "wb") as f:
        for i in range(pieces):
            f.write(i.to_bytes(8, "little") + chunk[8:])
    publish(game, "big")
    shutil.rmtree(game)
    target = os.path.join(WORK, "big-installed")
    os.makedirs(target)
    command, env = updater(target, "big", "--install")
    # A fresh Python parent, so that the peak belongs to the updater alone.
    probe = ("import resource, subprocess, sys, time; t = time.monotonic(); "
             "r = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True); "
             "sys.exit(r.stderr) if r.returncode else None; "
             "print(time.monotonic() - t, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
    probed = subprocess.run([sys.executable, "-c", probe] + command, env=env, capture_output=True, text=True)
    if probed.returncode != 0:
        print("(d) the download failed:\n" + probed.stderr)
        return
    out = probed.stdout.split()
    print("(d) download of one %d MiB file: %.1f s, peak resident size %.1f MiB"
          % (pieces * 64, float(out[0]), int(out[1]) / 1024.0))
    shutil.rmtree(target)


if __name__ == "__main__":
    chosen = sys.argv[1:] or ["d", "a", "b", "c"]
    for name in chosen:
        {"a": bench_noop, "b": bench_full_check, "c": bench_install, "d": bench_memory}[name]()
