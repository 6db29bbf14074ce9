"""The tests' own model of the cube's stickers: the game's turn codes, the stickers read off the
screen in the start view, a click checked against the model, the game's solved rule, and a solver.

The solver uses Thistlethwaite's method: four phases, each bringing the cube into a smaller set of
positions using fewer kinds of turn, with each phase's fewest clicks (a half turn is two) found
from small tables built on first use:
1. every edge oriented, with all face turns; front and back, whose quarter turns flip edges,
   turn twice from now on;
2. every corner's sticker of the top or bottom colour on the top or bottom face, and the four
   edges of the middle horizontal layer in that layer; left and right turn twice from now on as well;
3. the corners where half turns can solve them and every edge in its own middle layer; top and
   bottom turn twice from now on;
4. solved, by half turns only.
Faces are known by the colour of the centre they have now, so a cube that was turned as a whole
is solved as it stands. The cube is solved as seen in six orientations (each axis in each part
once); the clicks used are the fewest among the answers in which the game's solved rule accepts
no position before the last click."""

import itertools
import random
import subprocess
import time

from game_session import differing_pixels, project

VISIBLE = ((1, 1), (2, -1), (0, -1))  # (axis, sign) of the faces the start view shows
FACELET, SURFACE, TARGET = 6.05, 9.0, 9.06
# Turn codes: (axis, layer, direction of the 15-degree steps).
CODES = {1: (2, -1, 1), 2: (2, 0, 1), 3: (2, 1, 1), 4: (0, -1, 1), 5: (0, 0, 1), 6: (0, 1, 1),
         7: (2, 1, -1), 8: (2, 0, -1), 9: (2, -1, -1), 10: (0, 1, -1), 11: (0, 0, -1), 12: (0, -1, -1),
         13: (1, -1, 1), 14: (1, 0, 1), 15: (1, 1, 1), 16: (1, 1, -1), 17: (1, 0, -1), 18: (1, -1, -1)}
# The colours of the game's solved cube by outward normal.
FACE_COLOURS = {(0, 1, 0): "white", (0, -1, 0): "yellow", (0, 0, -1): "green", (0, 0, 1): "blue",
                (1, 0, 0): "red", (-1, 0, 0): "orange"}
# The layers of the game's solved cube whose cubies its solved rule looks at: y = -1, x = +1, z = +1.
RULE_LAYERS = ((1, -1), (0, 1), (2, 1))


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


def solved_cube():
    """The 54 stickers of the game's solved cube."""
    return {(p, n): colour for n, colour in FACE_COLOURS.items()
            for p in itertools.product((-1, 0, 1), repeat=3) if all(p[i] == n[i] for i in range(3) if n[i])}


def is_solved(stickers):
    """Every face one colour."""
    return all(len({c for (p, m), c in stickers.items() if m == n}) == 1 for n in FACE_COLOURS)


def rule_accepts(stickers):
    """The game's solved rule, which looks only at where cubies are: the nine cubies of each of
    the rule's layers of its solved cube lie in one plane, whichever (the cube turned as a whole
    counts as solved, and so do twisted corners and flipped edges in their places)."""
    homes = {}
    for (p, n), colour in stickers.items():
        homes.setdefault(p, set()).add(colour)
    normal = {colour: n for n, colour in FACE_COLOURS.items()}
    homes = {p: [sum(normal[c][i] for c in colours) for i in range(3)] for p, colours in homes.items()}
    for axis, sign in RULE_LAYERS:
        group = [p for p, home in homes.items() if home[axis] == sign]
        if not any(len({p[i] for p in group}) == 1 for i in range(3)):
            return False
    return True


def path_fault(stickers, codes):
    """What is wrong with clicking `codes` on the cube `stickers`: the cube not solved at the end,
    or a position the game takes as solved before the last click (the stopwatch would stop
    there); None when nothing is."""
    for done, code in enumerate(codes, 1):
        stickers = turned(stickers, code)
        if done < len(codes) and rule_accepts(stickers):
            return "after click %d of %d the game would take the cube as solved" % (done, len(codes))
    return None if is_solved(stickers) else "the %d clicks leave the cube unsolved" % len(codes)


# --- the screen -------------------------------------------------------------------------------

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
    """The colours of the 27 stickers the start view shows in `view` (the 3D area, or the screen
    in full screen), each from its centre's 3 x 3 pixels."""
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


def click_turn(s, code, stickers, view, box, timeout=20):
    """Presses on a target of turn `code` in `view` and holds the button until the screen shows
    what the model `stickers` expects after the turn (stickers the model does not know aside) and
    stays so in `box`: the turn is over, and the next click will be taken. Returns the model
    after the turn and the stickers seen."""
    expected = turned(stickers, code)
    before = read_stickers(s.session.grab(), view)
    s.session.move(*project(click_point(code), view))
    subprocess.run(["xdotool", "mousedown", "1"], check=True)
    try:
        deadline = time.time() + timeout
        while True:
            picture = s.session.grab()
            seen = read_stickers(picture, view)
            wrong = {k: (v, expected[k]) for k, v in seen.items() if k in expected and v != expected[k]}
            if seen != before and not wrong:
                time.sleep(0.3)
                if differing_pixels(picture, s.session.grab(), box, step=4) < 5:
                    return expected, seen
            s.check(time.time() < deadline, "%.0f s after the click for turn %d the screen shows, against the "
                    "model: %s" % (timeout, code, wrong or "the cube as before"))
    finally:
        subprocess.run(["xdotool", "mouseup", "1"], check=True)


# --- the solver: cubies ---------------------------------------------------------------------

CORNERS = list(itertools.product((-1, 1), repeat=3))
EDGES = [p for p in itertools.product((-1, 0, 1), repeat=3) if p.count(0) == 1]


def facelets(p):
    """The normals of the stickers of the cubie place p, starting with the one along Y (else
    along Z) and going round one way, so that a quarter turn carries a place's order onto its
    new place's order, shifted round by the twist."""
    normals = [tuple(p[i] if i == axis else 0 for i in range(3)) for axis in (1, 2, 0) if p[axis]]
    if len(normals) == 3:
        a, b, c = normals
        if sum(a[i] * (b[(i + 1) % 3] * c[(i + 2) % 3] - b[(i + 2) % 3] * c[(i + 1) % 3]) for i in range(3)) < 0:
            normals = [a, c, b]
    return normals


def cubie_turn(code):
    """Turn `code` on the cubies: for corners and for edges, the place each place's cubie comes
    from and how far round its stickers move."""
    axis, layer, direction = CODES[code]
    tables = []
    for places in (CORNERS, EDGES):
        source, twist = list(range(len(places))), [0] * len(places)
        for j, p in enumerate(places):
            if p[axis] == layer:
                q = rotate(p, axis, direction)
                i = places.index(q)
                source[i], twist[i] = j, facelets(q).index(rotate(facelets(p)[0], axis, direction))
        tables.append((source, twist))
    return tables


def moved(values, table, kinds=None):
    """Per place, what a turn with cubie table `table` (source, twist) brings there: the cubie
    number (`kinds` None) or its twist or flip (`kinds` 3 or 2)."""
    source, twist = table
    if kinds is None:
        return tuple(values[j] for j in source)
    return tuple((values[j] + t) % kinds for j, t in zip(source, twist))


def after(state, move):
    """The cubie state (corner places, corner twists, edge places, edge flips) after `move`."""
    corners, edges = move[2]
    return (moved(state[0], corners), moved(state[1], corners, 3), moved(state[2], edges), moved(state[3], edges, 2))


def face_moves():
    """Every face's quarter turns both ways and its half turn: (face, codes, cubie tables, clicks)."""
    moves = []
    for face in ((0, 1, 0), (0, -1, 0), (0, 0, -1), (0, 0, 1), (1, 0, 0), (-1, 0, 0)):
        axis = [abs(c) for c in face].index(1)
        codes = [c for c, (a, layer, _) in CODES.items() if a == axis and layer == face[axis]]
        for turns in ([codes[0]], [codes[1]], [codes[0]] * 2):
            tables = cubie_turn(turns[0])
            if len(turns) == 2:  # the quarter turn after itself
                tables = [(moved(table[0], table), moved(table[1], table, kinds)) for table, kinds in zip(tables, (3, 2))]
            moves.append((face, turns, tables, len(turns)))
    return moves


def cubies(stickers):
    """The cubie state of a sticker model, faces known by their centres' colours."""
    centre = {stickers[(n, n)]: n for n in FACE_COLOURS}
    state = []
    for places in (CORNERS, EDGES):
        homes, twists = [], []
        for p in places:
            colours = [stickers[(p, n)] for n in facelets(p)]
            home = tuple(sum(centre[c][i] for c in colours) for i in range(3))
            if home not in places:
                raise ValueError("no cubie has the colours %s" % colours)
            first = facelets(home)[0]
            homes.append(places.index(home))
            twists.append(colours.index(next(c for c in colours if centre[c] == first)))
        state += [tuple(homes), tuple(twists)]
    odd = [sum(a > b for a, b in itertools.combinations(state[k], 2)) % 2 for k in (0, 2)]
    if sorted(state[0]) != list(range(8)) or sorted(state[2]) != list(range(12)) or sum(state[1]) % 3 or \
            sum(state[3]) % 2 or odd[0] != odd[1]:
        raise ValueError("the stickers are no cube a turn can reach: %s" % (state,))
    return tuple(state)


# --- the solver: tables and searches ----------------------------------------------------------

def explore(start, moves, step):
    """Every key reachable from `start` by `moves`: the keys' numbers, and per number the
    number each move leads to."""
    number, keys, table = {start: 0}, [start], []
    for key in keys:
        row = []
        for move in moves:
            following = step(key, move)
            if following not in number:
                number[following] = len(keys)
                keys.append(following)
            row.append(number[following])
        table.append(row)
    return number, table


def clicks_from(goal, neighbours, limit=None):
    """The fewest clicks between `goal` and each state (up to `limit`); every move's inverse is
    a move of the same cost, so it is the same both ways."""
    far, buckets, done = {goal: 0}, [[goal]], 0
    while done < len(buckets):
        for state in buckets[done]:
            if far[state] != done:
                continue
            for following, cost in neighbours(state):
                total = done + cost
                if (limit is None or total <= limit) and far.get(following, total + 1) > total:
                    far[following] = total
                    buckets += [[] for _ in range(total + 1 - len(buckets))]
                    buckets[total].append(following)
        done += 1
    return far


def descend(state, far, neighbours):
    """The moves down a full table of clicks to the goal (distance 0)."""
    path = []
    while far[state]:
        state, move = next((s, m) for m, (s, cost) in enumerate(neighbours(state)) if far.get(s) == far[state] - cost)
        path.append(move)
    return path


def deepen(state, moves, neighbours, estimate):
    """Iterative deepening on clicks with an estimate that never overshoots and is 0 only at
    the goal; the same face is not turned twice in a row, opposite faces in one order only."""
    def search(state, spent, bound, last, path):
        need = estimate(state)
        if need == 0:
            return path
        if spent + need > bound:
            return None
        for m, (following, cost) in enumerate(neighbours(state)):
            face = moves[m][0]
            if last and (face == last or (face == tuple(-c for c in last) and face < last)):
                continue
            found = search(following, spent + cost, bound, face, path + [m])
            if found is not None:
                return found
        return None

    bound = estimate(state)
    while True:
        found = search(state, 0, bound, None, [])
        if found is not None:
            return found
        bound += 1


NEAR_CLICKS = 6  # phase 2 knows its exact clicks this close to its goal


class Solver:
    """Thistlethwaite's four phases on the cubie state; the tables are built once."""

    def __init__(self):
        moves = face_moves()
        # Faces along Z turn only twice from phase 2 on, along X from phase 3, along Y in phase 4.
        self.moves = [moves, [m for m in moves if m[3] == 2 or not m[0][2]],
                      [m for m in moves if m[3] == 2 or m[0][1]], [m for m in moves if m[3] == 2]]
        corners = lambda phase, kinds=None: lambda key, m: moved(key, self.moves[phase][m][2][0], kinds)
        edges = lambda phase, kinds=None: lambda key, m: moved(key, self.moves[phase][m][2][1], kinds)
        middle = lambda e: int(EDGES[e][1] == 0)  # an edge of the middle horizontal layer
        sides = lambda e: int(EDGES[e][0] == 0)  # an edge of the middle layer across X
        upright = lambda edges: tuple(e if EDGES[e][1] else -1 for e in edges)  # the others' places
        self.keys = [
            # phase 1: the edges' flips
            [((0,) * 12, edges(0, 2), lambda state: state[3])],
            # phase 2: the corners' twists, and which places hold middle-layer edges
            [((0,) * 8, corners(1, 3), lambda state: state[1]),
             (tuple(map(middle, range(12))), edges(1), lambda state: tuple(map(middle, state[2])))],
            # phase 3: the class of the corners' places, and which places hold edges of the
            # middle layer across X
            [(None, None, lambda state: state[0]),
             (tuple(map(sides, range(12))), edges(2), lambda state: tuple(map(sides, state[2])))],
            # phase 4: the corners' places, the places of the edges outside the middle horizontal
            # layer, and all edges' places
            [(tuple(range(8)), corners(3), lambda state: state[0]),
             (upright(range(12)), edges(3), lambda state: upright(state[2])),
             (tuple(range(12)), edges(3), lambda state: state[2])]]
        self.tables = [[explore(start, range(len(self.moves[phase])), step) if start else None
                        for start, step, _ in keys] for phase, keys in enumerate(self.keys)]
        self.tables[2][0] = self.corner_classes()
        # Phases 1 and 3 have full tables of clicks to their goals; the searches of phases 2 and
        # 4 are guided by tables of parts of their keys: (key positions, clicks, beyond the table).
        self.full = {phase: self.clicks(phase, self.tables[phase]) for phase in (0, 2)}
        guide = lambda phase, positions, limit=None: (
            positions, self.clicks(phase, [self.tables[phase][i] for i in positions], limit),
            limit + 1 if limit else None)
        self.guides = {1: [guide(1, (0, 1), NEAR_CLICKS), guide(1, (0,)), guide(1, (1,))],
                       3: [guide(3, (0, 1)), guide(3, (2,))]}

    def corner_classes(self):
        """Phase 3's corner key: the corner arrangements half turns reach from the solved cube
        make a group; arrangements that one set of turns brings into it form one class, the
        group's multiples from the left (a cubie renumbering by one of its arrangements)."""
        group = explore(tuple(range(8)), range(len(self.moves[3])),
                        lambda key, m: moved(key, self.moves[3][m][2][0]))[0]
        number, leaders = {}, []
        for arrangement in itertools.permutations(range(8)):
            if arrangement not in number:
                for h in group:
                    number[tuple(h[i] for i in arrangement)] = len(leaders)
                leaders.append(arrangement)
        table = [[number[moved(k, m[2][0])] for m in self.moves[2]] for k in leaders]
        return number, table

    def neighbours(self, phase, tables):
        """The states one move away in the product of `tables`' keys, with the move's clicks."""
        costs = [m[3] for m in self.moves[phase]]
        rows = [table for _, table in tables]
        return lambda key: zip(zip(*(rows[i][k] for i, k in enumerate(key))), costs)

    def clicks(self, phase, tables, limit=None):
        return clicks_from((0,) * len(tables), self.neighbours(phase, tables), limit)

    def solve(self, state):
        """The solver moves (face, codes, cubie tables, clicks) for the cubie state."""
        path = []
        for phase, (keys, tables) in enumerate(zip(self.keys, self.tables)):
            start = tuple(number[key(state)] for (_, _, key), (number, _) in zip(keys, tables))
            step = self.neighbours(phase, tables)
            if phase in self.full:
                found = descend(start, self.full[phase], step)
            else:
                guides = self.guides[phase]
                estimate = lambda k: max(clicks.get(tuple(k[i] for i in positions), beyond)
                                         for positions, clicks, beyond in guides) if any(k) else 0
                found = deepen(start, self.moves[phase], step, estimate)
            for m in found:
                state = after(state, self.moves[phase][m])
                path.append(self.moves[phase][m])
        return path


# --- the solver for the scenarios ---------------------------------------------------------------

WHOLE_CUBE = {0: (4, 5, 6), 1: (13, 14, 15), 2: (1, 2, 3)}  # the three layers of an axis turned one way
# Whole-cube turns that give each axis each role in the phases once (the solver's Y and Z).
ORIENTATIONS = ((), (1,), (0,), (0, 1), (2,), (2, 1))
MOST_CLICKS = 80
_solver = []


def whole_turned(stickers, axes):
    for axis in axes:
        for code in WHOLE_CUBE[axis]:
            stickers = turned(stickers, code)
    return stickers


def code_as_seen(axes):
    """Per turn code, the code that does on the cube what it does on the cube turned by `axes`."""
    labelled = {key: number for number, key in enumerate(solved_cube())}
    before = {code: whole_turned(turned(labelled, code), axes) for code in CODES}
    return {code: next(c for c in CODES if before[c] == turned(whole_turned(labelled, axes), code)) for code in CODES}


def merged(codes):
    """`codes` with each run of turns of one layer made the fewest clicks that turn it as far."""
    result = []
    for (axis, layer), run in itertools.groupby(codes, lambda c: CODES[c][:2]):
        quarters = sum(CODES[c][2] for c in run) % 4
        forward, back = (next(c for c, turn in CODES.items() if turn == (axis, layer, d)) for d in (1, -1))
        result += [[], [forward], [forward] * 2, [back]][quarters]
    return result


def solution(stickers):
    """The fewest clicks the solver finds for `stickers` among the cube's orientations, such that
    the game's solved rule accepts no position before the last click."""
    if not _solver:
        _solver.extend([Solver(), [code_as_seen(axes) for axes in ORIENTATIONS]])
    best, faults = None, []
    for axes, seen_as in zip(ORIENTATIONS, _solver[1]):
        codes = merged([seen_as[c] for move in _solver[0].solve(cubies(whole_turned(stickers, axes))) for c in move[1]])
        fault = path_fault(stickers, codes)
        faults.append(fault)
        if not fault and len(codes) <= MOST_CLICKS and (best is None or len(codes) < len(best)):
            best = codes
    if best is None:
        raise AssertionError("no solution of at most %d clicks: %s" % (MOST_CLICKS, faults))
    return best


def self_check(count=12, seed=28):
    """Solves `count` random 30-turn scrambles on the model, each turned as a whole the way the
    timed-solve scenario turns it to read it (so the solved cube is a turned one); each solution
    must solve its cube within the clicks allowed, never showing the game a solved position
    before its end. Prints the clicks and the CPU time; returns the first fault found, else None."""
    rng = random.Random(seed)
    clicks, started = [], time.process_time()
    for _ in range(count):
        stickers = solved_cube()
        for _ in range(30):
            stickers = turned(stickers, rng.choice(sorted(CODES)))
        stickers = whole_turned(stickers, (0, 0, 1))
        codes = solution(stickers)
        clicks.append(len(codes))
        fault = path_fault(stickers, codes)
        if fault or len(codes) > MOST_CLICKS:
            return "scramble %d: %s" % (len(clicks), fault or "%d clicks" % len(codes))
    print("solver: %d scrambles, %.1f clicks on average, at most %d, %.2f s CPU with its tables" %
          (count, sum(clicks) / count, max(clicks), time.process_time() - started))
    return None
