#!/usr/bin/env python3
"""The teacher's report on a tree written by the store: its CSV read back by a real CSV reader, its
page parsed for unescaped markup, its text, the tree untouched, and each error with its status."""
import csv
import hashlib
import html.parser
import io
import os
import shutil
import subprocess
import sys

BIN, MAKE_TREE, WORK = sys.argv[1], sys.argv[2], sys.argv[3]
REPORT = os.path.join(BIN, "tallyrally-report")
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def run(*args, cwd=None):
    return subprocess.run([REPORT, *args], capture_output=True, cwd=cwd, timeout=120)


def snapshot(root):
    """Every directory and file under root with the bytes and modification time of each file."""
    seen = {}
    for folder, dirs, files in os.walk(root):
        for d in dirs:
            seen[os.path.relpath(os.path.join(folder, d), root) + "/"] = None
        for f in files:
            path = os.path.join(folder, f)
            with open(path, "rb") as handle:
                seen[os.path.relpath(path, root)] = (hashlib.sha256(handle.read()).hexdigest(),
                                                     os.stat(path).st_mtime_ns)
    return seen


shutil.rmtree(WORK, ignore_errors=True)
game = os.path.join(WORK, "game")
subprocess.run([MAKE_TREE, "edge", game], check=True)
tree = os.path.join(game, "classrooms")
before = snapshot(tree)
passwords = [b"PW-SECRET"]

# CSV: byte-order mark, CR LF, the exact header, quoting and the formula guard, as a reader sees it.
result = run("--dir", game, "--format", "csv")
check(result.returncode == 0, "csv exit status %d: %r" % (result.returncode, result.stderr))
raw = result.stdout
check(raw.startswith(b"\xef\xbb\xbf"), "csv starts with a byte-order mark")
check(raw.endswith(b"\r\n") and b"\n" not in raw.replace(b"\r\n", b""), "csv lines end in CR LF")
rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline="")))
check(rows[0] == ["classroom", "player", "operation", "lesson", "distance_m", "races", "best_time_s",
                  "top_speed_mph", "average_speed_mph", "answers", "correct", "wrong", "accuracy_pct"],
      "csv header: %r" % rows[0])
room = 'Klasse Müller, "3B"'
expected = [
    [room, 'Ann, the "Quick"', "Add", "Make 10", "1500", "3", "36.00", "80.00", "55.00", "32", "28", "4", "87.5"],
    [room, 'Ann, the "Quick"', "Multiply", "All", "1500", "1", "80.00", "55.00", "35.00", "30", "20", "10", "66.7"],
    [room, "'=SUM(A1:A2)", "Add", "Make 10", "1500", "1", "52.00", "61.25", "41.00", "10", "5", "5", "50.0"],
    # The second record file is cut short: its six samples read as the game reads them.
    [room, "<b>Bold</b>", "Multiply", "Custom", "9000", "2", "45.00", "70.00", "45.00", "10", "5", "0", "50.0"],
    # A board with a single race, and code page 437 letters in the name and the lesson.
    [room, "Zoë élène ÷", "Divide", "÷ 3s", "4500", "1", "61.12", "66.00", "44.50", "5", "3", "2", "60.0"],
    # The board counts three records: one good, one binary rubbish, one missing.
    [room, "'-Dash", "Subtract", "From 100", "3000", "1", "70.50", "50.00", "30.00", "9", "6", "3", "66.7"],
]
check(rows[1:] == expected, "csv rows:\n%s" % "\n".join(map(repr, rows[1:])))
check(all(len(r) == 13 for r in rows), "every csv row has 13 cells")

# Text: every player is listed, the one without races says so; names are UTF-8.
result = run("--dir", game)
check(result.returncode == 0, "text exit status")
text = result.stdout.decode("utf-8")
for name in ['Ann, the "Quick"', "=SUM(A1:A2)", "<b>Bold</b>", "Zoë élène ÷", "Nobody", "Classroom 2: =Empty room"]:
    check(name in text, "text names %s" % name)
check("Nobody\n    no races yet" in text, "a player without races is listed as such")

# The page: parsed, no element but the report's own, every name shown as text.
result = run("--dir", game, "--format", "html")
check(result.returncode == 0, "html exit status")
page = result.stdout.decode("utf-8")


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags, self.text = set(), []

    def handle_starttag(self, tag, attrs):
        self.tags.add(tag)

    def handle_data(self, data):
        self.text.append(data)


parsed = Page()
parsed.feed(page)
parsed.close()
allowed = {"html", "head", "meta", "title", "style", "body", "h1", "h2", "h3", "h4", "section", "p", "span",
           "table", "thead", "tbody", "tr", "th", "td", "div", "svg", "path", "text", "polyline", "circle"}
check(parsed.tags <= allowed, "page holds only its own elements, found %s" % (parsed.tags - allowed))
shown = "".join(parsed.text)
for name in ["<script>alert(1)</script>", "<b>Bold</b>", 'Ann, the "Quick"', "Zoë élène ÷", "Klasse Müller"]:
    check(name in shown, "page shows %s as text" % name)
check("<script" not in page.lower() and "<b>" not in page, "no markup from a name reaches the page")
check("http" not in page.replace('xmlns="http://www.w3.org/2000/svg"', "").replace("http-equiv", ""), "the page fetches nothing")

# One classroom, by number and by its name as typed (UTF-8) ; to a file.
out_file = os.path.join(WORK, "one.csv")
result = run("--dir", game, "--classroom", "2", "--format", "csv", "--output", out_file)
check(result.returncode == 0 and result.stdout == b"", "--output writes nothing to the standard output")
with open(out_file, "rb") as handle:
    check(handle.read().count(b"\r\n") == 1, "the empty classroom has only the header row")
result = run("--dir", game, "--classroom", room)
check(result.returncode == 0 and "Classroom 2" not in result.stdout.decode(), "--classroom by name")
relative = run("--classroom", "1", "--format", "html", "--output", "../page.html", cwd=game)
check(relative.returncode == 0 and os.path.exists(os.path.join(WORK, "page.html")),
      "a relative output path is taken from where the command runs")

# Errors: a message on the error stream, nothing on the standard output, and a status of their own.
os.symlink(os.path.join(tree, "room1"), os.path.join(WORK, "link"))
empty = os.path.join(WORK, "empty")
os.makedirs(empty, exist_ok=True)
for args, status, what in [
        (["--dir", empty], 3, "no classrooms tree"),
        (["--dir", os.path.join(WORK, "missing")], 3, "no game folder"),
        (["--dir", game, "--classroom", "3"], 4, "classroom number out of range"),
        (["--dir", game, "--classroom", "Nope"], 4, "no classroom of that name"),
        (["--dir", game, "--output", os.path.join(WORK, "no", "such", "dir.csv")], 5, "unwritable output"),
        (["--dir", game, "--output", os.path.join(tree, "report.txt")], 5, "output inside the tree"),
        (["--dir", game, "--output", os.path.join(WORK, "link", "r.txt")], 5, "output in the tree by a link"),
        (["--dir", game, "--colour"], 2, "unknown option"),
        (["--dir", game, "--format", "pdf"], 2, "unknown format"),
        (["--dir"], 2, "option without its value")]:
    result = run(*args)
    check(result.returncode == status, "%s: status %d, expected %d" % (what, result.returncode, status))
    check(result.stdout == b"" and result.stderr.startswith(b"tallyrally-report: "), "%s: message" % what)
result = run("--help")
check(result.returncode == 0 and b"--classroom" in result.stdout, "--help")
result = run("--version")
check(result.returncode == 0 and result.stdout.startswith(b"tallyrally-report "), "--version")

# No password anywhere, and the tree exactly as it was.
for args in (["--format", "csv"], ["--format", "text"], ["--format", "html"]):
    result = run("--dir", game, *args)
    check(not any(p in result.stdout for p in passwords), "no password in %s" % args)
check(snapshot(tree) == before, "the classrooms tree is unchanged, file for file and byte for byte")

print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
