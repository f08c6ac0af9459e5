#!/usr/bin/env python3
"""Whole-process benchmark of one form fill (open, script, save, close) through the viewer control,
against the floor (a plain `qpdf IN OUT` rewrite) and `pdftk IN fill_form VALUES output OUT`, on the
sample form and on the form followed by 3000 pages. Prints medians of wall time and peak RSS and
the ratios; targets: at most 1.15 x the floor on the form, pdftk at least 20 x slower, and the form
followed by 3000 pages no slower than before. The sample values are all in the form's font, so
HarfBuzz and fontconfig are never loaded; the multiline field is drawn.

    bench/pdfview/fill-bench.py [RUNS]     (installs qpdf and pdftk-java, builds build-bench/)
"""
import os, statistics, subprocess, sys, tempfile, time

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(os.path.dirname(here))
build = os.environ.get("QUORIN_BENCH_BUILD_DIR", os.path.join(root, "build-bench"))
runs = int(sys.argv[1]) if len(sys.argv) > 1 else 15

subprocess.run(["bash", os.path.join(root, "scripts/install-deps.sh")], check=True,
               env=dict(os.environ, QUORIN_EXTRA_PACKAGES="qpdf pdftk-java time"))
subprocess.run(["cmake", "-S", root, "-B", build, "-G", "Ninja", "-DQUORIN_BENCH=ON", "-DQUORIN_TESTS=OFF",
                "-DCMAKE_BUILD_TYPE=Release"], check=True, stdout=subprocess.DEVNULL)
subprocess.run(["cmake", "--build", build, "--target", "bench_pdfview_fill", "make-sample-form"], check=True,
               stdout=subprocess.DEVNULL)

sys.path.insert(0, here)
work = tempfile.mkdtemp(prefix="pdfview-bench-")
form = os.path.join(work, "form.pdf")
subprocess.run([os.path.join(build, "tools/make-sample-form"), form], check=True)


def blank_pages(path, count):
    """A plain PDF of `count` pages with a line of text each."""
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>", None, b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
    kids = []
    for i in range(count):
        content = b"BT /F1 12 Tf 72 720 Td (Page %d) Tj ET" % (i + 1)
        objects.append(b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content))
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents %d 0 R "
                       b"/Resources << /Font << /F1 3 0 R >> >> >>" % len(objects))
        kids.append(len(objects))
    objects[1] = b"<< /Type /Pages /Count %d /Kids [%s] >>" % (count, b" ".join(b"%d 0 R" % k for k in kids))
    out = bytearray(b"%PDF-1.7\n")
    offsets = []
    for n, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n%s\nendobj\n" % (n, body)
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    open(path, "wb").write(out)


pages = os.path.join(work, "pages.pdf")
blank_pages(pages, 3000)
big = os.path.join(work, "form-3000.pdf")
subprocess.run(["qpdf", form, "--pages", ".", pages, "--", big], check=True)

# The same 50 values for pdftk, as FDF (the last of the two NewspapersChk rows wins, as in the script).
from pdfview_pairs import SAMPLE_PAIRS
values = {}
for name, value in SAMPLE_PAIRS:
    values[name] = value


def fdf_string(text):
    """A PDF literal string: UTF-16BE with its mark, so any character survives."""
    data = b"\xfe\xff" + text.encode("utf-16-be")
    return b"(" + data.replace(b"\\", b"\\\\").replace(b"(", b"\\(").replace(b")", b"\\)") + b")"


fdf = os.path.join(work, "values.fdf")
with open(fdf, "wb") as f:
    f.write(b"%FDF-1.2\n1 0 obj << /FDF << /Fields [\n")
    for name, value in values.items():
        f.write(b"<< /T " + fdf_string(name) + b" /V " + fdf_string(value) + b" >>\n")
    f.write(b"] >> >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n")

def measure(commands):
    """Medians of wall time and of peak RSS for each command. The commands take turns, run after
    run, so a change in the machine's load reaches all of them alike. The peak comes from GNU
    time, which execs the command from a small process (a child forked from this Python would
    start at its size)."""
    times = [[] for _ in commands]
    peaks = [[] for _ in commands]
    report = os.path.join(work, "time.txt")
    for _ in range(runs):
        for i, command in enumerate(commands):
            start = time.perf_counter()
            status = subprocess.call(["/usr/bin/time", "-f", "%M", "-o", report] + command,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            elapsed = time.perf_counter() - start
            if status != 0:
                raise SystemExit("failed: %s" % " ".join(command))
            times[i].append(elapsed * 1000)
            peaks[i].append(int(open(report).read().split()[-1]) / 1024)
    return [(statistics.median(t), statistics.median(p)) for t, p in zip(times, peaks)]


out = os.path.join(work, "out.pdf")
print("%-22s %-10s %10s %10s" % ("input", "tool", "median ms", "peak MB"))
for label, source in (("form (2 pages)", form), ("form + 3000 pages", big)):
    floor, fill, pdftk = measure([["qpdf", source, out],
                                  [os.path.join(build, "bench/pdfview/bench_pdfview_fill"), source, out],
                                  ["pdftk", source, "fill_form", fdf, "output", out]])
    for tool, (ms, mb) in (("qpdf", floor), ("pdfview", fill), ("pdftk", pdftk)):
        print("%-22s %-10s %10.1f %10.1f" % (label, tool, ms, mb))
    print("%-22s fill / floor = %.2f, pdftk / fill = %.1f" % (label, fill[0] / floor[0], pdftk[0] / fill[0]))
print("targets: form fill / floor <= 1.15 and pdftk / fill >= 20; form + 3000 pages no slower than before")
