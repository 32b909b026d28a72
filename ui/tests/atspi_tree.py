#!/usr/bin/python3
"""Reads the program's window through AT-SPI, as a screen reader does, prints the tree and
checks it: each visible box named by its caption, the button, and, after 开始计算 with no
payout, the notice as an alert with its text.

    atspi_tree.py       (run inside the program's D-Bus session, with the program started)
"""
import sys
import time

import pyatspi

EXPECTED = {
    "年缴费金额（元）": "1000",
    "需缴费年限（年）": "10",
    "月返还金额（元）": "24.93",
    "存款年利率（%）": "2.8",
    "回本时间": "",
    "共领取金额（元）": "",
    "剩余金额（元）": "",
}
NOTICE = "100年也不能回本，歇歇吧！"


def find_app(name, seconds):
    end = time.time() + seconds
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return None


def walk(node, depth=0, out=None):
    out = [] if out is None else out
    states = node.getState()
    shown = states.contains(pyatspi.STATE_SHOWING)
    out.append((depth, node, shown))
    for child in node:
        if child is not None:
            walk(child, depth + 1, out)
    return out


def describe(nodes):
    for depth, node, shown in nodes:
        text = text_of(node)
        labelled = [t.getTarget(i).name for t in node.getRelationSet()
                    if t.getRelationType() == pyatspi.RELATION_LABELLED_BY
                    for i in range(t.getNTargets())]
        print("%s%s %r%s%s%s" % ("  " * depth, node.getRoleName(), node.name,
                                 "" if text is None else " text=%r" % text,
                                 " labelled-by=%r" % labelled if labelled else "",
                                 "" if shown else " (not showing)"))


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def main():
    app = find_app("corvane-calc", 30)
    if app is None:
        fail("the program is not on the accessibility bus")
    nodes = walk(app)
    describe(nodes)
    if app[0].name != "Corvane养老险计算器":
        fail("the window is called %r" % app[0].name)

    texts = [n for _, n, shown in nodes if shown and n.getRole() == pyatspi.ROLE_TEXT]
    names = {n.name: n for n in texts}
    if sorted(names) != sorted(EXPECTED):
        fail("the visible boxes are named %r" % sorted(names))
    for name, value in EXPECTED.items():
        if text_of(names[name]) != value:
            fail("%s holds %r" % (name, text_of(names[name])))
    buttons = [n for _, n, shown in nodes if shown and n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    if [b.name for b in buttons] != ["开始计算"]:
        fail("the buttons are %r" % [b.name for b in buttons])

    # No payout: the deposit lasts a hundred years, and the notice opens.
    payout = names["月返还金额（元）"].queryEditableText()
    payout.setTextContents("0")
    action = buttons[0].queryAction()
    press = [i for i in range(action.nActions) if action.getName(i) in ("Press", "press", "click")]
    action.doAction(press[0] if press else 0)

    end = time.time() + 20
    alert = None
    while alert is None and time.time() < end:
        for _, node, _ in walk(app):
            if node.getRole() == pyatspi.ROLE_ALERT:
                alert = node
        time.sleep(0.2)
    if alert is None:
        fail("no alert after 开始计算 with no payout")
    print("--- after 开始计算 with the payout 0:")
    notice_nodes = walk(alert)
    describe(notice_nodes)
    readable = [alert.name, alert.description] + [
        (text_of(n) or "") + n.name for _, n, _ in notice_nodes]
    if not any(NOTICE in r for r in readable):
        fail("the notice's text cannot be read")
    ok = [n for _, n, _ in notice_nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    ok_action = ok[0].queryAction()
    ok_action.doAction(0)
    end = time.time() + 20
    while time.time() < end:
        if text_of(names["回本时间"]) == "100年":
            print("PASS: 回本时间 reads %r after the notice" % text_of(names["回本时间"]))
            return
        time.sleep(0.2)
    fail("回本时间 holds %r after the notice" % text_of(names["回本时间"]))


main()
