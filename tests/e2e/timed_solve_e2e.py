"""A timed attempt as a player makes it. A remembered name is picked in the New-player dialog;
"Сборка на время" from the menu deals its scramble; the cube is read off the screen and solved
with left clicks on the cube alone. The time enters the champion list under that name, a
second, slower solve is listed after it, "Champions" holds both after Windows ends the session
with the game open (`wineboot --end-session`: no window is destroyed, the process is ended), the
next start lists them again, and its normal close stores what the session's end stored.

The test reads the cube from the start view, where the +Y, -Z and -X faces show: clicking all
three layers of an axis turns the whole cube and brings the hidden faces round. The tests' own
solver (Thistlethwaite's four phases, in cube_stickers.py) gives the clicks, checked on the
test's model of the stickers first: they solve it, and the game's solved rule accepts no
position before the last one. The picture is checked against the model after every click."""

import struct
import time

from cube_stickers import WHOLE_CUBE, click_turn, path_fault, read_stickers, self_check, solution
from game_session import Scenario, menu_by_keys, name_slots

PLAYER = "Вася Ёж"


def text_mask(picture, box):
    """The white text in `box` as columns of lit rows, without the empty columns around it."""
    x0, y0, x1, y1 = box
    columns = [tuple(y for y in range(y0, y1) if min(picture.at(x, y)) > 200) for x in range(x0, x1)]
    lit = [i for i, column in enumerate(columns) if column]
    return [tuple(y - y0 for y in column) for column in columns[lit[0]:lit[-1] + 1]] if lit else []


class Attempt:
    """Solving in the start view: each click waits for its turn to end and checks the picture."""

    def __init__(self, s, view):
        self.s, self.view = s, view
        vx, vy, vw, vh = view
        self.cube_box = (vx + 100, vy + 110, vx + vw - 100, vy + vh - 20)
        self.picture = None
        self.stickers = None

    def text(self, picture, line, right=False):
        """Overlay text line `line` (its top at 20 + 20 * line) at the left, or in the champion
        list's time column at the right, as a mask of its lit pixels."""
        vx, vy, vw, vh = self.view
        y = vy + 21 + 20 * line  # the line above reaches this line's first row
        return text_mask(picture, (vx + vw - 140, y, vx + vw - 15, y + 19) if right else (vx + 15, y, vx + 170, y + 19))

    def listed(self, picture, row):
        """The name and the time of champion row `row` (1: the best) as masks."""
        vx, vy, vw, vh = self.view
        y = vy + 41 + 20 * row
        return text_mask(picture, (vx + vw - 272, y, vx + vw - 140, y + 19)), self.text(picture, 1 + row, True)

    def result(self, row):
        """Waits for the solve's time in row `row` of the list; checks that the stopwatch stopped
        and that the row shows the player's name and the stopwatch's time. Returns the picture."""
        picture = self.s.wait_until(lambda: (lambda now: self.listed(now, row)[1] and now)(self.s.session.grab()),
                                    "no time in row %d of the champion list" % row)
        time.sleep(1.2)  # a running stopwatch shows another second by now
        later = self.s.session.grab()
        self.s.check(self.text(later, 3) == self.text(picture, 3), "the stopwatch still runs after the solve")
        name, taken = self.listed(picture, row)
        player = self.text(picture, 1)
        self.s.check(taken == self.text(picture, 3), "row %d does not show the stopwatch's time" % row)
        self.s.check(name and player[:len(name)] == name and len(player) > len(name) + 2,
                     "row %d does not show the player's name" % row)
        return picture

    def start(self):
        """"Сборка на время" from the keyboard menu; returns when the scrambled cube is still."""
        before = self.s.shot("before-scramble")
        self.asked = time.time()
        menu_by_keys(self.s, 2)
        self.s.wait_changed(before, self.cube_box, "\"Сборка на время\" did not scramble the cube")
        self.seen = read_stickers(self.s.wait_still(self.cube_box), self.view)
        self.dealt = time.time()

    def click(self, code):
        """A click for turn `code`, held until the turn the model expects is over."""
        self.stickers, self.seen = click_turn(self.s, code, self.stickers, self.view, self.cube_box)
        self.last_click = time.time()

    def read_cube(self):
        """All 54 stickers: the three faces in view, then the whole cube turned twice about X
        (the top and front come round) and once about Y (the right face comes round)."""
        self.stickers = dict(self.seen)
        for axis, quarters in ((0, 2), (1, 1)):
            for code in WHOLE_CUBE[axis] * quarters:
                self.click(code)
            self.stickers.update(self.seen)
        counts = {c: list(self.stickers.values()).count(c) for c in set(self.stickers.values())}
        self.s.check(len(self.stickers) == 54 and set(counts.values()) == {9},
                     "the cube read off the screen has %d stickers: %s" % (len(self.stickers), counts))

    def solve(self, slower_than=0.0):
        """Reads the cube and clicks the solver's moves; the last one not before `slower_than`
        seconds have passed since the scramble was dealt."""
        self.read_cube()
        moves = solution(self.stickers)
        fault = path_fault(self.stickers, moves)
        self.s.check(not fault, "the solver's clicks: %s" % fault)
        for code in moves[:-1]:
            self.click(code)
        time.sleep(max(0.0, slower_than - (time.time() - self.dealt)))  # this time the player looks longer
        self.click(moves[-1])


def body(s):
    session = s.session
    s.step("the solver's self-check: random scrambles solved on the model")
    fault = self_check()
    s.check(not fault, "the solver fails on %s" % fault)

    s.step("a returning player: the New-player dialog, the remembered name picked from its list")
    session.write_settings({"Picture": 0, "ColorBG": 0xFF183048, "NamePlayer": name_slots("Товарищ", PLAYER)})
    dialog = s.start_game(expect_name_dialog=True)
    session.focus(dialog)
    session.key("alt+Down")
    session.key("Down", "Return")
    s.check(s.edit_text(PLAYER) == PLAYER, "the name picked from the list is not in the name box")
    session.key("Return")
    s.wait_main_window()
    attempt = Attempt(s, s.locate_view(s.shot("start")))

    s.step("\"Сборка на время\" deals the scramble; the cube is read off the screen and solved by clicks")
    attempt.start()
    attempt.solve()

    s.step("the stopwatch stops; the time is listed first with the player's name")
    first = attempt.result(1)
    first_took = time.time() - attempt.asked  # at most; the stopwatch started after the request
    bounds = [(attempt.last_click - attempt.dealt - 1, first_took + 1)]

    s.step("a second, slower solve by the same player is listed after the first")
    attempt.start()
    attempt.solve(slower_than=first_took + 3)
    second = attempt.result(2)
    s.check(attempt.listed(second, 1) == attempt.listed(first, 1), "the first solve's row changed")
    bounds.append((attempt.last_click - attempt.dealt - 1, time.time() - attempt.asked + 1))

    s.step("Windows ends the session (shutdown, restart, sign-out): both times are stored under the player's "
           "name, best first")
    s.check("Champions" not in session.stored(), "the champion table was stored before the session ended")
    session.end_session()
    at_session_end = session.stored()
    block = at_session_end.get("Champions", b"")
    records = [struct.unpack_from("<q20s", block, 28 * i) for i in range(5)]
    name = PLAYER.encode("cp1251").ljust(20, b"\0")
    s.check(len(block) == 140 and [n for _, n in records] == [name, name] + [b"\0" * 20] * 3 and
            [t for t, _ in records[2:]] == [86399] * 3, "\"Champions\" holds %s" % records)
    s.check(all(low <= t <= high for (t, _), (low, high) in zip(records, bounds)) and records[0][0] < records[1][0],
            "stored times %s, measured bounds %s" % ([t for t, _ in records[:2]], bounds))

    s.step("the next start lists both again")
    dialog = s.start_game(expect_name_dialog=True)
    session.focus(dialog)
    session.key("Return")
    s.wait_main_window()
    again = s.wait_until(lambda: (lambda now: attempt.listed(now, 2)[1] and now)(session.grab()),
                         "the champion list is empty after the restart")
    s.check([attempt.listed(again, row) for row in (1, 2, 3)] == [attempt.listed(second, row) for row in (1, 2, 3)],
            "the champion list differs from the one before the close")

    s.step("a normal close stores what the session's end stored (the names as this start's dialog left them)")
    s.exit_game()
    after_close = session.stored()
    s.check(at_session_end.get("NamePlayer", b"")[:20] == name, "the session's end stored the current player as %r"
            % at_session_end.get("NamePlayer", b"")[:20])
    differing = sorted(k for k in set(at_session_end) | set(after_close)
                       if k != "NamePlayer" and at_session_end.get(k) != after_close.get(k))
    s.check(len(at_session_end) == 13 and not differing, "stored at the session's end %s, at a normal close %s" % (
        {k: at_session_end.get(k) for k in differing}, {k: after_close.get(k) for k in differing}))


if __name__ == "__main__":
    Scenario("timed_solve").run(body)
