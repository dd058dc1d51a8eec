#!/usr/bin/python3
# Drives the running program through its accessibility tree and real X
# clicks (xdotool), and reads how long each click took from the program's
# own response log (YURIMOKA_RESPONSE_LOG, see src/ui/ResponseTimes.h).
#   drive.py LOGFILE ROUNDS
# Prints one line an operation: its name and the milliseconds of each round.
import subprocess
import sys
import time

import pyatspi

log_path, rounds = sys.argv[1], int(sys.argv[2])


def fail(what):
    sys.exit("drive.py: " + what)


def app():
    deadline = time.time() + 60
    while time.time() < deadline:
        for a in pyatspi.Registry.getDesktop(0):
            if a is not None and a.name == "yurimoka":
                return a
        time.sleep(0.2)
    fail("the program did not appear on the accessibility bus")


def find(root, name, role=None, wait=20):
    """The first showing object under root with this name (and role)."""
    deadline = time.time() + wait
    while True:
        todo = [root]
        while todo:
            node = todo.pop(0)
            try:
                if node.name == name and (role is None or node.getRole() == role):
                    if node.getState().contains(pyatspi.STATE_SHOWING):
                        return node
                # A list of thousands of haiku is not searched cell by cell.
                if node.getRole() != pyatspi.ROLE_TABLE:
                    todo.extend(c for c in node if c is not None)
            except Exception:
                pass
        if time.time() > deadline:
            fail("no %s named %r" % (role, name))
        time.sleep(0.1)


def dialog(wait=20):
    """The newest showing dialog of the program."""
    deadline = time.time() + wait
    while time.time() < deadline:
        shown = [w for w in app() if w is not None and w.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT)
                 and w.getState().contains(pyatspi.STATE_SHOWING)]
        if shown:
            return shown[-1]
        time.sleep(0.1)
    fail("no dialog showed")


def text_of(node):
    """The editable text of a box, or of the line in an editable combo box."""
    if node.getRole() == pyatspi.ROLE_COMBO_BOX:
        return [c for c in node if c is not None and c.getRole() == pyatspi.ROLE_TEXT][0]
    return node


def click(node):
    x, y, w, h = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"], check=True)


def key(*keys):
    subprocess.run(["xdotool", "key"] + list(keys), check=True)


def set_text(node, text):
    text_of(node).queryEditableText().setTextContents(text)


class Log:
    def __init__(self, path):
        self.path = path
        self.seen = 0

    def lines(self):
        try:
            with open(self.path, encoding="utf-8") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def skip(self):
        """Forget what has been logged so far."""
        time.sleep(0.3)
        self.seen = len(self.lines())

    def wait(self, name, timeout=120):
        """Milliseconds of the first press of name logged since the last look."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            lines = self.lines()
            for i in range(self.seen, len(lines)):
                what, _, ms = lines[i].partition("\t")
                if what == name:
                    self.seen = i + 1
                    return float(ms)
            time.sleep(0.02)
        fail("no response logged for " + name)


log = Log(log_path)
def main_window(wait=60):
    deadline = time.time() + wait
    while time.time() < deadline:
        for w in app():
            if w is not None and w.getRole() == pyatspi.ROLE_FRAME:
                return w
        time.sleep(0.2)
    fail("no main window")


main = main_window()
table = find(main, "句の一覧", pyatspi.ROLE_TABLE)
results = {}


def measure(op, name, action):
    log.skip()
    action()
    results.setdefault(op, []).append(log.wait(name))


def choose_row(row):
    # Arrow keys never ask for a password, not even on a locked haiku.
    table.queryComponent().grabFocus()
    key("ctrl+Home")
    for _ in range(row):
        key("Down")
    time.sleep(0.3)


# 検索 with a keyword of the history.
keyword = find(main, "検索キーワード")
for _ in range(rounds):
    set_text(keyword, "")
    set_text(keyword, "母")
    measure("検索", "Command5", lambda: click(find(main, "検索", pyatspi.ROLE_PUSH_BUTTON)))

# 上へ and 下へ on a row in the middle of the searched list.
choose_row(40)
for _ in range(rounds):
    measure("上へ", "Command1", lambda: click(find(main, "上へ", pyatspi.ROLE_PUSH_BUTTON)))
    measure("下へ", "Command2", lambda: click(find(main, "下へ", pyatspi.ROLE_PUSH_BUTTON)))

# 削除 of the first haiku of all, then 登録 of a new one: the notebook stays
# at the size it had.
for _ in range(rounds):
    set_text(keyword, "")
    click(find(main, "検索", pyatspi.ROLE_PUSH_BUTTON))
    choose_row(1)
    click(find(main, "削除", pyatspi.ROLE_PUSH_BUTTON))
    sakujo = find(dialog(), "いいよ", pyatspi.ROLE_PUSH_BUTTON)
    measure("削除", "Command1", lambda: click(sakujo))

    click(find(main, "登録", pyatspi.ROLE_PUSH_BUTTON))
    kinyu = dialog()
    set_text(find(kinyu, "分類", pyatspi.ROLE_COMBO_BOX), "吟行記録")
    set_text(find(kinyu, "句", pyatspi.ROLE_TEXT), "初雪や水仙の葉のたわむまで")
    ok = find(kinyu, "登録", pyatspi.ROLE_PUSH_BUTTON)
    measure("登録", "Command1", lambda: click(ok))

# 該当句削除 of one category, once: the notebook is smaller after it.
click(find(main, "分類の編集(B)"))
bunrui = dialog()
click(find(bunrui, "好きな句（春）", pyatspi.ROLE_LIST_ITEM))
click(find(bunrui, "該当句削除", pyatspi.ROLE_PUSH_BUTTON))
yes = find(dialog(), "はい(Y)", pyatspi.ROLE_PUSH_BUTTON)
measure("該当句削除", "QPushButton", lambda: click(yes))

for op, times in results.items():
    print(op + "\t" + "\t".join("%.1f" % t for t in times))
