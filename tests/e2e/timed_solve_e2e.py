"""A timed attempt as a player makes it. A remembered name is picked in the New-player dialog;
"Сборка на время" from the menu deals its scramble; the cube is read off the screen and solved
with left clicks on the cube alone. The time enters the champion list under that name, a
second, slower solve is listed after it, "Champions" holds both after Windows ends the session
with the game open (`wineboot --end-session`: no window is destroyed, the process is ended), the
next start lists them again, and its normal close stores what the session's end stored.

The test reads the cube from the start view, where the +Y, -Z and -X faces show: clicking all
three layers of an axis turns the whole cube and brings the hidden faces round. A two-phase
solver from Debian's packages gives the moves; the test keeps its own model of
the stickers and checks the picture against it after every click."""

import itertools
import struct
import subprocess
import time

from game_session import Scenario, differing_pixels, menu_by_keys, name_slots, project

PLAYER = "Вася Ёж"
VISIBLE = ((1, 1), (2, -1), (0, -1))  # (axis, sign) of the faces the start view shows
FACELET, SURFACE, TARGET = 6.05, 9.0, 9.06
# Turn codes: (axis, layer, direction of the 15-degree steps).
CODES = {1: (2, -1, 1), 2: (2, 0, 1), 3: (2, 1, 1), 4: (0, -1, 1), 5: (0, 0, 1), 6: (0, 1, 1),
         7: (2, 1, -1), 8: (2, 0, -1), 9: (2, -1, -1), 10: (0, 1, -1), 11: (0, 0, -1), 12: (0, -1, -1),
         13: (1, -1, 1), 14: (1, 0, 1), 15: (1, 1, 1), 16: (1, 1, -1), 17: (1, 0, -1), 18: (1, -1, -1)}
INVERSE = {c: d for c, (axis, layer, direction) in CODES.items()
           for d, other in CODES.items() if other == (axis, layer, -direction)}
WHOLE_CUBE = {0: (4, 5, 6), 1: (13, 14, 15)}  # the three layers of an axis turned the same way
# Faces by outward normal (axis, sign) as the solver names them, and their clockwise turns.
FACES = {"U": (1, 1), "D": (1, -1), "F": (2, -1), "B": (2, 1), "L": (0, -1), "R": (0, 1)}
CLOCKWISE = {face: code for code, (axis, layer, direction) in CODES.items()
             for face, (a, sign) in FACES.items() if (a, layer, direction) == (axis, sign, sign)}
# Where the solver's net reads each face's sticker at row r, column c: (position, normal).
NET = {"U": lambda r, c: ((c - 1, 1, 1 - r), (0, 1, 0)), "B": lambda r, c: ((c - 1, r - 1, 1), (0, 0, 1)),
       "F": lambda r, c: ((c - 1, 1 - r, -1), (0, 0, -1)), "L": lambda r, c: ((-1, c - 1, 1 - r), (-1, 0, 0)),
       "R": lambda r, c: ((1, 1 - c, 1 - r), (1, 0, 0)), "D": lambda r, c: ((1 - c, -1, 1 - r), (0, -1, 0))}


def rotate(v, axis, direction):
    """A quarter turn of vector v about `axis`, the way the game's positive steps turn."""
    x, y, z = v
    for _ in range(1 if direction > 0 else 3):
        x, y, z = ((x, -z, y), (z, y, -x), (-y, x, z))[axis]
    return x, y, z


def turned(stickers, code):
    """The sticker model {(position, normal): colour} after turn `code`."""
    axis, layer, direction = CODES[code]
    return {((rotate(p, axis, direction), rotate(n, axis, direction)) if p[axis] == layer else (p, n)): colour
            for (p, n), colour in stickers.items()}


def visible_stickers():
    for axis, sign in VISIBLE:
        for a, b in itertools.product((-1, 0, 1), repeat=2):
            p, n = [a, b], [0, 0, 0]
            p.insert(axis, sign)
            n[axis] = sign
            yield tuple(p), tuple(n)


def colour_name(rgb):
    """Sticker colours however a face is lit: by the ratios of the channels."""
    top = max(max(rgb), 1)
    r, g, b = (c / top for c in rgb)
    if min(r, g, b) > 0.75:
        return "white"
    if b == 1:
        return "blue"
    if g == 1:
        return "green"
    return "red" if g < 0.25 else "orange" if g < 0.6 else "yellow"


def read_stickers(picture, view):
    """The colours of the 27 stickers the start view shows, each from its centre's 3 x 3 pixels."""
    seen = {}
    for p, n in visible_stickers():
        point = tuple(SURFACE * n[i] if n[i] else FACELET * p[i] for i in range(3))
        x, y = project(point, view)
        names = [colour_name(picture.at(x + dx, y + dy)) for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
        seen[(p, n)] = max(set(names), key=names.count)
    return seen


def click_point(code):
    """A model point a third of the way into a turn target of `code` on a face the start view
    shows: the target lies over a border facet, its base on the face's edge that the click pulls
    the facet towards."""
    axis, layer, direction = CODES[code]
    for face, sign in VISIBLE:
        if face == axis:
            continue
        normal = [0, 0, 0]
        normal[face] = sign
        (edge,) = {0, 1, 2} - {face, axis}
        side = rotate(normal, axis, direction)[edge]  # the edge the turn pulls the face's facets over
        point = [0.0, 0.0, 0.0]
        point[face], point[edge], point[axis] = TARGET * sign, 8.05 * side, FACELET * layer
        return tuple(point)
    raise AssertionError("no target for turn %d in the start view" % code)


def solution(stickers):
    """Turn codes that solve `stickers`, from the solver's first answer. Faces are named by the
    colour of the centre they have now (middle-layer turns move the centres)."""
    by_centre = {stickers[(n, n)]: face for face, n in
                 ((f, tuple(sign if i == axis else 0 for i in range(3))) for f, (axis, sign) in FACES.items())}
    row = lambda face, r: "".join(by_centre[stickers[NET[face](r, c)]] for c in range(3))
    net = ["   " + row("B", r) for r in range(3)] + ["".join(row(f, r) for f in "LURD") for r in range(3)]
    net += ["   " + row("F", r) for r in range(3)]
    # The solver goes on looking for shorter solutions until it is stopped: its first will do.
    solver = subprocess.Popen(["rubiks_dikcube", "-p"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True)
    solver.stdin.write("\n".join(net) + "*\n")
    solver.stdin.close()
    try:
        answer = next((line for line in solver.stdout if line.startswith("Solution")), None)
    finally:
        solver.kill()
        solver.wait()
    if not answer:
        raise AssertionError("the solver found no solution for the cube read off the screen: %s" % net)
    codes = []
    for move in answer.split(":", 1)[1].split():
        face, quarters = move[0], int(move[1])
        clockwise = CLOCKWISE[face]
        codes += [clockwise] * quarters if quarters < 3 else [INVERSE[clockwise]]
    return codes


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

    def click(self, code, timeout=20):
        """Presses on a target of turn `code` and holds the button until the screen shows what the
        model expects after the turn (stickers the model does not know yet aside) and stays so:
        the turn is over, and the next click will be taken."""
        expected = turned(self.stickers, code)
        before = self.seen
        self.s.session.move(*project(click_point(code), self.view))
        subprocess.run(["xdotool", "mousedown", "1"], check=True)
        try:
            deadline = time.time() + timeout
            while True:
                picture = self.s.session.grab()
                self.seen = read_stickers(picture, self.view)
                wrong = {k: (v, expected[k]) for k, v in self.seen.items() if k in expected and v != expected[k]}
                if self.seen != before and not wrong:
                    time.sleep(0.3)
                    if differing_pixels(picture, self.s.session.grab(), self.cube_box, step=4) < 5:
                        break
                self.s.check(time.time() < deadline, "%.0f s after the click for turn %d the screen shows, "
                             "against the model: %s" % (timeout, code, wrong or "the cube as before"))
        finally:
            subprocess.run(["xdotool", "mouseup", "1"], check=True)
        self.stickers = expected
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
        for code in moves[:-1]:
            self.click(code)
        time.sleep(max(0.0, slower_than - (time.time() - self.dealt)))  # this time the player looks longer
        self.click(moves[-1])


def body(s):
    session = s.session
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
