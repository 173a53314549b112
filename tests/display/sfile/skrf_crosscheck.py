#!/usr/bin/python3
"""Cross-checks the Touchstone writer and reader against scikit-rf.

1. Files written by our writer read back in scikit-rf with the values we wrote.
2. One- and two-port files that scikit-rf writes (RI, MA and DB, frequencies
   in Hz) read correctly in our reader.
Usage: skrf_crosscheck.py <touchstone_tool>
"""
import os
import subprocess
import sys
import tempfile

import numpy
numpy.complex = complex  # scikit-rf 0.15 still uses the removed alias
import skrf  # noqa: E402

TOOL = sys.argv[1]
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


def tool(*args):
    out = subprocess.run([TOOL, *args], check=True, capture_output=True, text=True).stdout
    return [line.split(" ", 1) for line in out.splitlines()]


def angle_diff(a, b):
    return abs((a - b + 180.0) % 360.0 - 180.0)


with tempfile.TemporaryDirectory() as tmp:
    # --- ours -> scikit-rf ---------------------------------------------------
    path = os.path.join(tmp, "ours.s2p")
    written = [list(map(float, rest.split())) for kind, rest in tool("write", path) if kind == "point"]
    net = skrf.Network(path)
    check(net.s.shape == (len(written), 2, 2), "scikit-rf sees %s" % (net.s.shape,))
    check(abs(net.z0[0, 0] - 50) < 1e-12, "reference impedance")
    order = [(0, 0), (1, 0), (0, 1), (1, 1)]  # S11 S21 S12 S22 as the file has them
    worst_mag = worst_deg = worst_f = 0.0
    for i, row in enumerate(written):
        worst_f = max(worst_f, abs(net.f[i] - row[0]))
        for k, (r, c) in enumerate(order):
            s = net.s[i, r, c]
            worst_mag = max(worst_mag, abs(abs(s) - row[1 + 2 * k]))
            worst_deg = max(worst_deg, angle_diff(numpy.degrees(numpy.angle(s)), row[2 + 2 * k]))
    check(worst_f <= 0.05, "frequency off by %g Hz" % worst_f)
    check(worst_mag <= 5.1e-8, "magnitude off by %g" % worst_mag)
    check(worst_deg <= 5.1e-6, "angle off by %g degrees" % worst_deg)
    print("ours->skrf: %d points, worst |S| %.3g, worst angle %.3g deg" % (len(written), worst_mag, worst_deg))

    # --- scikit-rf -> ours ---------------------------------------------------
    rng = numpy.random.default_rng(5)
    freq = skrf.Frequency.from_f(numpy.sort(rng.uniform(0.1e6, 99e6, 60)), unit="hz")
    for ports in (1, 2):
        s = (rng.uniform(0.01, 1, (60, ports, ports))
             * numpy.exp(1j * rng.uniform(-numpy.pi, numpy.pi, (60, ports, ports))))
        ntwk = skrf.Network(frequency=freq, s=s, z0=50, name="skrf%d" % ports)
        for form in ("ri", "ma", "db"):
            name = os.path.join(tmp, "skrf%d_%s" % (ports, form))
            ntwk.write_touchstone(name, form=form)
            fname = name + (".s1p" if ports == 1 else ".s2p")
            lines = tool("read", fname)
            info = {kind: rest for kind, rest in lines if kind != "point"}
            points = [list(map(float, rest.split())) for kind, rest in lines if kind == "point"]
            what = "skrf %d-port %s" % (ports, form)
            check("message" not in info, what + ": " + info.get("message", ""))
            check(int(info["length"]) == 60, what + " length " + info["length"])
            want_states = "3 -1 -1 -1" if ports == 1 else "3 3 3 3"
            check(info["states"] == want_states, what + " states " + info["states"])
            wm = wd = wf = 0.0
            for i, p in enumerate(points):
                # Our frequencies are whole tenths of a hertz.
                wf = max(wf, abs(p[0] - freq.f[i]))
                for k, (r, c) in enumerate(order[: ports * ports] if ports == 2 else [(0, 0)]):
                    v = s[i, r, c]
                    wm = max(wm, abs(p[1 + 2 * k] - abs(v)))
                    wd = max(wd, angle_diff(p[2 + 2 * k], numpy.degrees(numpy.angle(v))))
            check(wf <= 0.05, what + " frequency off by %g Hz" % wf)
            check(wm <= 1e-9, what + " magnitude off by %g" % wm)
            check(wd <= 1e-7, what + " angle off by %g degrees" % wd)
            print("skrf->ours %s: worst |S| %.3g, worst angle %.3g deg" % (what, wm, wd))

if failures:
    print("FAILED:\n  " + "\n  ".join(failures))
    sys.exit(1)
print("scikit-rf cross-check passed")
