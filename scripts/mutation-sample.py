#!/usr/bin/env python3
"""The mutation sample of ../shared/tools/mutate.py, run fast enough to be a habit.

Same mutants as mutate.py for the same paths and seed (its own candidates, file order and shuffle), but:
- one persistent scratch worktree and build per checkout (.mutation/, ignored by git), so only the first
  run builds everything;
- only the tests that can see the mutated folder run: those whose build inputs include it, and, when a
  program includes it, the tests that run a program;
- the quick tests run first and the run stops at the first failure.
Running fewer tests can only count fewer faults as caught, never more.

Usage (from the checkout, ../shared beside it):
    python3 scripts/mutation-sample.py --sample 40 --seed 12345 FOLDER
"""
import argparse, os, random, re, shutil, subprocess, sys, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "..", "shared", "tools"))
import mutate  # noqa: E402  (the sampler whose mutants we reproduce)

SLOW = {"kivocount_tst_kivocount", "kivoscan_tst_kivoscan", "control_program_tst_scan_peaks",
        "spectrum_analysis_tst_peak_fit"}
PROGRAMS = ["bin/KivoPanel", "bin/kivoscan", "bin/kivocount", "bin/libKivoLib.so", "bin/libKivoPreview.so"]


def sample(src, folder, seed, size):
    files = []
    for d, _, fs in os.walk(os.path.join(src, folder)):
        files += [os.path.relpath(os.path.join(d, f), src) for f in fs if f.endswith((".cpp", ".c", ".h"))]
    files = [f for f in files if not re.search(r"(^|/)(tests?|bench|fuzz)/", f)]
    pool = [(f, *c) for f in sorted(files) for c in mutate.candidates(os.path.join(src, f))]
    random.Random(seed).shuffle(pool)
    return pool[:size]


def inputs(build, target):
    return subprocess.run(["ninja", "-C", build, "-t", "inputs", target], capture_output=True, text=True).stdout


def tests_that_see(src, build, folder):
    """Tests built from the folder, and tests naming a program built from it (they run or load it)."""
    prefix = os.path.join(src, folder) + "/"
    seen = lambda target: any(line.startswith(prefix) for line in inputs(build, target).splitlines())
    programs = [re.sub(r"^lib|\.so$", "", os.path.basename(p)) for p in PROGRAMS
                if os.path.exists(os.path.join(build, p)) and seen(p)]
    names = []
    for exe in sorted(os.listdir(os.path.join(build, "tests", "bin"))):
        if "_tst_" not in exe:
            continue
        folder_of, name = exe.split("_tst_", 1)
        tests = os.path.join(src, "tests", folder_of)
        sources = [os.path.join(tests, "tst_" + name + ".cpp")] + \
            ([os.path.join(tests, h) for h in os.listdir(tests) if h.endswith(".h")] if os.path.isdir(tests) else [])
        text = "".join(open(f, errors="replace").read() for f in sources if os.path.exists(f))
        if seen("tests/bin/" + exe) or any(p in text for p in programs):
            names.append(exe)
    return names


def fails(build, names, env):
    for group in ([n for n in names if n not in SLOW], [n for n in names if n in SLOW]):
        if not group:
            continue
        r = subprocess.run(["ctest", "-j3", "--timeout", "150", "--stop-on-failure", "-R",
                            "^(" + "|".join(group) + ")$"], cwd=build, capture_output=True, text=True, env=env)
        if r.returncode != 0:
            return re.findall(r"\d+ - (\S+) \(", r.stdout) or ["?"]
    return None


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("folder")
    ap.add_argument("--sample", type=int, default=40)
    ap.add_argument("--seed", type=int, required=True)
    a = ap.parse_args()
    src = os.path.join(ROOT, ".mutation", a.folder.strip("/").replace("/", "_"))
    build = os.path.join(src, "build")
    if not os.path.isdir(src):
        subprocess.run(["git", "worktree", "add", "--detach", src, "HEAD"], cwd=ROOT, check=True)
    head = subprocess.run(["git", "rev-parse", "HEAD"], cwd=ROOT, capture_output=True, text=True).stdout.strip()
    subprocess.run(["git", "reset", "-q", "--hard", head], cwd=src, check=True)  # the last commit, as it is
    if not os.path.exists(os.path.join(build, "build.ninja")):
        lld = ["-DCMAKE_%s_LINKER_FLAGS=-fuse-ld=lld" % k for k in ("EXE", "SHARED", "MODULE")] \
            if shutil.which("ld.lld") else []
        subprocess.run(["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo"] + lld,
                       check=True, capture_output=True)
    if subprocess.run(["cmake", "--build", build], capture_output=True).returncode != 0:
        sys.exit("the scratch copy does not build as it is")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QTWEBENGINE_DISABLE_SANDBOX="1")
    names = tests_that_see(src, build, a.folder.split("/")[0])
    caught, survivors, broken = 0, [], 0
    for n, (f, i, new, what) in enumerate(sample(src, a.folder, a.seed, a.sample), 1):
        start = time.time()
        path = os.path.join(src, f)
        text = open(path, encoding="utf-8", errors="replace").read().split("\n")
        old, text[i] = text[i], new
        open(path, "w", encoding="utf-8").write("\n".join(text))
        try:
            if subprocess.run(["cmake", "--build", build], capture_output=True).returncode != 0:
                broken += 1
                print("%3d %s:%d %s: does not compile" % (n, f, i + 1, what), flush=True)
                continue
            failed = fails(build, names, env)
            if failed:
                caught += 1
            else:
                survivors.append((f, i + 1, what, old.strip()))
            print("%3d %s:%d %s: %s (%.0f s)" % (n, f, i + 1, what, "caught by " + ",".join(failed) if failed
                                                 else "NOT caught", time.time() - start), flush=True)
        finally:
            text[i] = old
            open(path, "w", encoding="utf-8").write("\n".join(text))
    tried = caught + len(survivors)
    print("\n%s seed %d: caught %d of %d (%.0f %%), %d did not compile"
          % (a.folder, a.seed, caught, tried, 100.0 * caught / max(tried, 1), broken))
    for f, line, what, old in survivors:
        print("survivor %s:%d  %s   in: %s" % (f, line, what, old[:100]))


if __name__ == "__main__":
    main()
