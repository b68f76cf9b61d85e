#!/usr/bin/env python3
"""Blender as the editor between 'orvane export' and 'orvane replace'.

Run by python3, it exports demo bodies, has Blender (headless, run on this same file) import
each, make one edit and export it with the documented ticks, puts the result back into a copy
of the archive with 'orvane replace', and holds the entry's stored bytes against what the edit
should give. Run inside Blender (bpy importable) it carries out the jobs it is handed.

usage: round_trip.py ORVANE_TOOL [BLENDER] [--entries 0,1,...] [--edits none,bone,...] [--keep DIR]
Exit status 77 (a skip, loudly) when Blender is not installed.
"""
import json
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

SCALE = 0.0025  # model units to glTF units
TURN = 64       # the bone edit's turn, in angle units (1024 a turn)
MOVE = (20, 0, -8)  # the vertex edit's move, in model units


# ---------------------------------------------------------------------------------------------
# Inside Blender: each job is (model in, edit, argument, model out).
# ---------------------------------------------------------------------------------------------
def blender_main(jobs_path):
    import bpy
    import numpy
    from mathutils import Matrix, Vector

    # Debian 12's numpy 1.24 dropped an alias the 3.4 add-on still uses when it makes meshes.
    if not hasattr(numpy, "bool"):
        numpy.bool = bool

    def skinned_mesh():
        return next(o for o in bpy.data.objects if o.type == "MESH" and o.find_armature() is not None)

    def point_ids(mesh):
        uv = mesh.uv_layers[0].data
        ids = {}
        for loop in mesh.loops:
            ids.setdefault(loop.vertex_index, set()).add(round(uv[loop.index].uv[0]))
        return ids

    def turn_bone(arg):
        # Turns the joint about its parent joint's x axis (the axis angle X turns about), at
        # the current frame, as a user turning it in pose mode would.
        arm = next(o for o in bpy.data.objects if o.type == "ARMATURE")
        pose = arm.pose.bones[arg["bone"]]
        # The glTF joint frame sits in each Blender bone rotated by the import's bone
        # correction; the parent joint's x axis is read from the glTF world the file gave.
        axis = Vector(arg["axis"])  # in Blender's armature space
        head = pose.head.copy()
        turn = Matrix.Translation(head) @ Matrix.Rotation(arg["turn"], 4, axis) @ Matrix.Translation(-head)
        pose.matrix = turn @ pose.matrix
        bpy.context.view_layer.update()

    def move_point(arg):
        obj = skinned_mesh()
        ids = point_ids(obj.data)
        delta = Vector(arg["delta"])
        moved = 0
        for v, names in ids.items():
            if arg["point"] in names:
                obj.data.vertices[v].co += delta
                moved += 1
        if moved == 0:
            raise SystemExit("no vertex names point %d" % arg["point"])

    def faces_of(mesh, points):
        # A polygon of n points came in as n - 2 triangles over them.
        uv = mesh.uv_layers[0].data
        want = set(points)
        return [p for p in mesh.polygons if {round(uv[i].uv[0]) for i in p.loop_indices} <= want]

    def recolour_face(arg):
        obj = skinned_mesh()
        name = "palette_%03d" % arg["colour"]
        material = bpy.data.materials.get(name)
        if material is None:
            material = bpy.data.materials.new(name)
        if name not in [s.material.name for s in obj.material_slots if s.material]:
            obj.data.materials.append(material)
        slot = [s.material.name if s.material else "" for s in obj.material_slots].index(name)
        faces = faces_of(obj.data, arg["points"])
        if not faces:
            raise SystemExit("no face over points %s" % arg["points"])
        faces[0].material_index = slot

    def delete_face(arg):
        import bmesh
        obj = skinned_mesh()
        faces = faces_of(obj.data, arg["points"])
        if not faces:
            raise SystemExit("no face over points %s" % arg["points"])
        bm = bmesh.new()
        bm.from_mesh(obj.data)
        bm.faces.ensure_lookup_table()
        bmesh.ops.delete(bm, geom=[bm.faces[f.index] for f in faces], context="FACES")  # as Delete → Faces: its own edges go too
        bm.to_mesh(obj.data)
        bm.free()

    def subdivide_edge(arg):
        import bmesh
        obj = skinned_mesh()
        face = faces_of(obj.data, arg["points"])[0]
        bm = bmesh.new()
        bm.from_mesh(obj.data)
        bm.faces.ensure_lookup_table()
        edge = bm.faces[face.index].edges[0]
        bmesh.ops.subdivide_edges(bm, edges=[edge], cuts=1)
        bm.to_mesh(obj.data)
        bm.free()

    def delete_sphere(arg):
        bpy.data.objects.remove(bpy.data.objects[arg["node"]])

    edits = {"none": None, "defaults": None, "subdivide": subdivide_edge, "sphere": delete_sphere, "bone": turn_bone, "move": move_point, "recolour": recolour_face, "delete": delete_face}
    with open(jobs_path) as f:
        jobs = json.load(f)
    for job in jobs:
        bpy.ops.wm.read_factory_settings(use_empty=True)
        bpy.ops.import_scene.gltf(filepath=job["in"])
        edit = edits[job["edit"]]
        if edit is not None:
            edit(job.get("arg", {}))
        # Blender 3.4's defaults plus the two ticks an edit of the pose or the lines needs:
        # "Use Current Frame" (the pose) and "Loose Edges" (the lines); "defaults" has neither.
        ticks = {} if job["edit"] == "defaults" else {"export_current_frame": True, "use_mesh_edges": True}
        bpy.ops.export_scene.gltf(filepath=job["out"], export_format="GLB", **ticks)


# ---------------------------------------------------------------------------------------------
# Outside: the stored body, read just far enough to compare field by field.
# ---------------------------------------------------------------------------------------------
def parse_body(data):
    at = 26
    def u16():
        nonlocal at
        v = struct.unpack_from("<H", data, at)[0]
        at += 2
        return v
    body = {"header": data[:26]}
    n = u16()
    body["points"] = [struct.unpack_from("<3h", data, at + 6 * i) for i in range(n)]
    at += 6 * n
    n = u16()
    body["bones"] = [data[at + 38 * i:at + 38 * (i + 1)] for i in range(n)]
    at += 38 * n
    total = u16()
    records = sum(struct.unpack_from("<h", b, 18)[0] for b in body["bones"]) if total else 0
    body["normals"] = data[at:at + 8 * records]
    at += 8 * records
    n = u16()
    polygons = []
    for _ in range(n):
        kind, count = data[at], data[at + 1]
        size = 4 + (4 * count if kind >= 9 else 2 + 2 * count if kind >= 7 else 2 * count)
        polygons.append(data[at:at + size])
        at += size
    body["polygons"] = polygons
    n = u16()
    body["lines"] = [data[at + 8 * i:at + 8 * (i + 1)] for i in range(n)]
    at += 8 * n
    n = u16()
    body["spheres"] = [data[at + 8 * i:at + 8 * (i + 1)] for i in range(n)]
    at += 8 * n
    body["tail"] = data[at:]
    return body


def polygon_points(record):
    kind, count = record[0], record[1]
    if kind >= 9:
        return [struct.unpack_from("<H", record, 4 + 4 * k + 2)[0] // 6 for k in range(count)]
    start = 6 if kind >= 7 else 4
    return [struct.unpack_from("<H", record, start + 2 * k)[0] // 6 for k in range(count)]


def angle(bone, axis):
    return struct.unpack_from("<h", bone, 10 + 2 * axis)[0]


def differences(a, b):
    """Names of the fields that differ between two parsed bodies."""
    out = []
    for key in ("header", "normals", "tail"):
        if a[key] != b[key]:
            out.append(key)
    for key in ("points", "bones", "polygons", "lines", "spheres"):
        if len(a[key]) != len(b[key]):
            out.append("%s: %d, not %d" % (key, len(b[key]), len(a[key])))
            continue
        out += ["%s %d" % (key[:-1], i) for i, (x, y) in enumerate(zip(a[key], b[key])) if x != y]
    return out


# ---------------------------------------------------------------------------------------------
def gltf_json(path):
    data = open(path, "rb").read()
    length = struct.unpack_from("<I", data, 12)[0]
    return json.loads(data[20:20 + length])


def quat_matrix(q):
    x, y, z, w = q
    return [[1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)],
            [2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)],
            [2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)]]


def mat_mul(a, b):
    return [[sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3)] for i in range(3)]


def parent_x_axis(gltf, bone_index):
    """The x axis of a joint's parent joint in the file's world, in Blender's (z-up) axes."""
    nodes = gltf["nodes"]
    parent_of = {c: i for i, n in enumerate(nodes) for c in n.get("children", [])}
    node = next(i for i, n in enumerate(nodes) if n.get("name") == "bone_%d" % bone_index)
    world = [[1, 0, 0], [0, 1, 0], [0, 0, 1]]
    p = parent_of.get(node)
    while p is not None:
        world = mat_mul(quat_matrix(nodes[p].get("rotation", [0, 0, 0, 1])), world)
        p = parent_of.get(p)
    x, y, z = world[0][0], world[1][0], world[2][0]
    return [x, -z, y]


def pick_edits(body, gltf):
    """Arguments for each edit the body allows: a turned bone, a moved point, a face."""
    bones = body["bones"]
    base_points = {struct.unpack_from("<h", b, 4)[0] // 6 for b in bones}
    joints = {n.get("name") for n in gltf["nodes"]}
    picks = {}
    turnable = [i for i in range(len(bones) - 1, 0, -1)
                if struct.unpack_from("<H", bones[i], 8)[0] == 0 and angle(bones[i], 1) == 0 and "bone_%d" % i in joints]
    if turnable:
        bone = turnable[0]
        picks["bone"] = {"bone": "bone_%d" % bone, "index": bone, "turn": TURN * 2 * math.pi / 1024, "axis": parent_x_axis(gltf, bone)}
    drawn = sorted({q for p in body["polygons"] if p[1] >= 3 for q in polygon_points(p)} - base_points)
    if drawn:
        picks["move"] = {"point": drawn[0], "delta": [MOVE[0] * SCALE, -MOVE[2] * SCALE, MOVE[1] * SCALE]}
    # A face no other polygon shares three points with, so that its Blender faces are its own.
    sets = [set(polygon_points(p)) for p in body["polygons"]]
    faces = [i for i, p in enumerate(sets) if len(p) >= 3 and len(p) == body["polygons"][i][1]
             and not any(j != i and len(p & q) >= 3 for j, q in enumerate(sets))]
    if faces:
        face = faces[len(faces) // 2]
        points = polygon_points(body["polygons"][face])
        picks["recolour"] = {"points": points, "colour": (body["polygons"][face][2] + 37) % 256, "polygon": face}
        picks["delete"] = {"points": points, "polygon": face}
        picks["subdivide"] = {"points": points}
    if body["spheres"]:
        picks["sphere"] = {"node": "sphere_0"}
    return picks


def expected_failure(edit, arg, before, after):
    """None when `after` is what `edit` should make of `before`, else what is wrong."""
    diff = differences(before, after)
    if edit in ("none", "defaults"):
        return None if not diff else "changed: " + ", ".join(diff[:8])
    if edit == "bone":
        i = arg["index"]
        if diff != ["bone %d" % i]:
            return "changed: " + ", ".join(diff[:8])
        b, a = before["bones"][i], after["bones"][i]
        turned = angle(a, 0) - angle(b, 0)
        if abs(abs(turned) - TURN) > 1 or angle(a, 1) != angle(b, 1) or a[:10] + a[16:] != b[:10] + b[16:]:
            return "bone %d: angles %s, were %s" % (i, [angle(a, k) for k in range(3)], [angle(b, k) for k in range(3)])
        return None
    if edit == "move":
        p = arg["point"]
        if diff != ["point %d" % p]:
            return "changed: " + ", ".join(diff[:8])
        moved = [after["points"][p][k] - before["points"][p][k] for k in range(3)]
        return None if moved == list(MOVE) else "point %d moved by %s, not %s" % (p, moved, list(MOVE))
    if edit == "recolour":
        i = arg["polygon"]
        if diff != ["polygon %d" % i]:
            return "changed: " + ", ".join(diff[:8])
        b, a = before["polygons"][i], after["polygons"][i]
        return None if a[2] == arg["colour"] and a[:2] + a[3:] == b[:2] + b[3:] else "polygon %d: %s, was %s" % (i, a.hex(), b.hex())
    if edit == "subdivide":
        # One new point; the old ones in order around it, each as it was.
        old, new = before["points"], after["points"]
        if len(new) != len(old) + 1 or not any(new[:k] + new[k + 1:] == old for k in range(len(new))):
            return "points: %d, were %d" % (len(new), len(old))
        return None
    if edit == "sphere":
        rest = dict(before, spheres=before["spheres"][1:])
        left = differences(rest, after)
        return None if not left else "changed: " + ", ".join(left[:8])
    if edit == "delete":
        i = arg["polygon"]
        rest = dict(before, polygons=before["polygons"][:i] + before["polygons"][i + 1:])
        left = differences(rest, after)
        return None if not left else "changed: " + ", ".join(left[:8])
    return "unknown edit"


def main(argv):
    args = argv[1:]
    options = {"--entries": None, "--edits": "none,defaults,bone,move,recolour,delete,subdivide,sphere", "--keep": None, "--edit-entry": "0"}
    positional = []
    while args:
        a = args.pop(0)
        if a in options:
            options[a] = args.pop(0)
        else:
            positional.append(a)
    if not positional:
        print(__doc__, file=sys.stderr)
        return 2
    tool = os.path.abspath(positional[0])
    blender = positional[1] if len(positional) > 1 else "blender"
    if shutil.which(blender) is None:
        print("SKIPPED: Blender (%s) is not installed: scripts/install-deps.sh installs it" % blender, file=sys.stderr)
        return 77

    work = options["--keep"] or tempfile.mkdtemp(prefix="orvane-blender-")
    os.makedirs(work, exist_ok=True)
    run = lambda *cmd: subprocess.run(cmd, check=True, capture_output=True, text=True)
    run(tool, "demo", os.path.join(work, "demo"))
    archive = os.path.join(work, "demo", "body.ZRK")
    palette = os.path.join(work, "demo", "palette.dmp")
    listing = run(tool, "list", archive).stdout.splitlines()
    count = sum(1 for line in listing if len(line.split()) > 2 and line.split()[0].isdigit())
    entries = [int(e) for e in options["--entries"].split(",")] if options["--entries"] else list(range(count))
    edit_entry = int(options["--edit-entry"])
    edits = options["--edits"].split(",")

    def extract(path, entry):
        out = os.path.join(work, "entry.bin")
        run(tool, "extract", path, str(entry), out)
        return parse_body(open(out, "rb").read())

    jobs, checks = [], []
    for entry in sorted(set(entries) | ({edit_entry} if set(edits) - {"none"} else set())):
        exported = os.path.join(work, "%d.glb" % entry)
        run(tool, "export", archive, str(entry), "-o", exported)
        body = extract(archive, entry)
        picks = pick_edits(body, gltf_json(exported)) if entry == edit_entry and set(edits) - {"none"} else {}
        for edit in edits:
            if edit == "none" and entry not in entries or edit != "none" and entry != edit_entry:
                continue
            if edit not in picks and edit not in ("none", "defaults"):
                print("entry %d %-9s not tried: the body has nothing to make it on" % (entry, edit))
                continue
            out = os.path.join(work, "%d-%s.glb" % (entry, edit))
            jobs.append({"in": exported, "edit": edit, "arg": picks.get(edit, {}), "out": out})
            checks.append((entry, edit, picks.get(edit, {}), out, body))
    with open(os.path.join(work, "jobs.json"), "w") as f:
        json.dump(jobs, f)
    started = time.monotonic()
    # Debian's Blender takes its Python home from the first python3 on the PATH: the system's.
    env = dict(os.environ, PATH="/usr/bin:/bin:" + os.environ.get("PATH", ""))
    blender_run = subprocess.run([blender, "-b", "--factory-startup", "--python", os.path.abspath(__file__), "--",
                                  os.path.join(work, "jobs.json")], capture_output=True, text=True, env=env)
    took = time.monotonic() - started
    if blender_run.returncode != 0 or any(not os.path.exists(j["out"]) for j in jobs):
        print(blender_run.stdout[-3000:], blender_run.stderr[-3000:], file=sys.stderr)
        print("FAILED: Blender did not carry out every job", file=sys.stderr)
        return 1
    print("Blender: %d jobs in %.1f s" % (len(jobs), took))

    failures = 0
    for entry, edit, arg, model, before in checks:
        copy = os.path.join(work, "copy.ZRK")
        shutil.copyfile(archive, copy)
        replaced = subprocess.run([tool, "replace", copy, str(entry), model, "--palette", palette], capture_output=True, text=True)
        if replaced.returncode != 0:
            verdict = "replace refused it: " + replaced.stderr.strip()
        else:
            verdict = expected_failure(edit, arg, before, extract(copy, entry))
            if verdict is None and edit in ("none", "defaults"):
                same = [run(tool, "dump", p, str(entry), "--frames", "3", "--auto-rotate").stdout for p in (archive, copy)]
                verdict = None if same[0] == same[1] else "dump differs"
        notes = " | ".join(line.split(": ", 2)[-1] for line in replaced.stderr.splitlines())
        print("entry %d %-9s %s%s" % (entry, edit, "ok" if verdict is None else "FAILED: " + verdict, "   (" + notes + ")" if notes else ""))
        failures += verdict is not None
    if not options["--keep"]:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        import bpy  # noqa: F401
        inside = True
    except ImportError:
        inside = False
    if inside:
        blender_main(sys.argv[sys.argv.index("--") + 1])
    else:
        sys.exit(main(sys.argv))
