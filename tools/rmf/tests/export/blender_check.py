"""Run by Blender: imports each BVH that `rmf export` wrote and compares
every joint's head, at every frame, with the position worked out here with
numpy from the raw values of `rmf inspect --json`, under the conventions
its sidecar declares. Raises (so Blender exits 1) on any difference over
1e-4 relative.

usage: blender -b --factory-startup --python-exit-code 1 --python blender_check.py -- \
           BVH CONVENTIONS.json INSPECT.jsonl [BVH CONVENTIONS.json INSPECT.jsonl]...
"""
import builtins
import json
import sys

import bpy
import io_anim_bvh.import_bvh as import_bvh
import numpy as np

# Blender 3.4's importer opens files with mode 'rU', which Python 3.11 refuses.
import_bvh.open = lambda path, mode="r", *args, **kwargs: builtins.open(
    path, mode.replace("U", ""), *args, **kwargs)

TOLERANCE = 1e-4


def quaternion(rotation, order):
    w, x, y, z = (rotation[3], *rotation[:3]) if order == "xyzw" else rotation
    q = np.array([w, x, y, z], dtype=np.float64)
    return q / np.linalg.norm(q)


def matrix(q):
    w, x, y, z = q
    return np.array([[1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)],
                     [2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)],
                     [2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)]])


Z_TO_Y = np.array([[1.0, 0, 0], [0, 0, 1], [0, -1, 0]])  # (x, y, z) -> (x, z, -y)


def expected_heads(document, conventions, parents):
    """Head position of every bone id, Y-up, from one frame's raw values."""
    up = Z_TO_Y if conventions["up"] == "z" else np.eye(3)
    rotation, position = {}, {}
    bones = {bone["id"]: bone for bone in document["bones"]}
    pending = list(bones)
    while pending:  # parents first
        for bone_id in list(pending):
            parent = parents[bone_id]
            if parent is not None and parent not in rotation:
                continue
            pending.remove(bone_id)
            bone = bones[bone_id]
            r = up @ matrix(quaternion(bone["rotation"], conventions["quaternion"])) @ up.T
            t = up @ (conventions["scale"] * np.array(bone["translation"], dtype=np.float64))
            if conventions["space"] == "world" or parent is None:
                rotation[bone_id], position[bone_id] = r, t
            else:
                rotation[bone_id] = rotation[parent] @ r
                position[bone_id] = position[parent] + rotation[parent] @ t
    return position


def check(bvh, sidecar_path, inspect_path):
    with open(sidecar_path) as file:
        sidecar = json.load(file)
    documents = {}
    with open(inspect_path) as file:
        for line in file:
            entry = json.loads(line)
            documents[entry["source"]] = entry["document"]
    parents = {joint["id"]: joint["parent"] for joint in sidecar["joints"]}
    names = {joint["name"]: joint["id"] for joint in sidecar["joints"]}
    bpy.ops.wm.read_factory_settings(use_empty=True)
    # Blender is Z-up: forward Y and up Z keep the file's axes as they are.
    bpy.ops.import_anim.bvh(filepath=bvh, axis_forward="Y", axis_up="Z", frame_start=1,
                            update_scene_fps=False, update_scene_duration=True)
    armature = next(o for o in bpy.context.scene.objects if o.type == "ARMATURE")
    assert sorted(b.name for b in armature.pose.bones) == sorted(names), "joint names differ"
    frames = sidecar["frames"]
    assert len(frames) >= 1
    worst = 0.0
    for index, frame in enumerate(frames):
        expected = expected_heads(documents[frame["source"]], sidecar["conventions"], parents)
        extent = max(np.linalg.norm(p) for p in expected.values())
        bpy.context.scene.frame_set(index + 1)
        for bone in armature.pose.bones:
            got = np.array(armature.matrix_world @ bone.head)
            want = expected[names[bone.name]]
            error = np.linalg.norm(got - want) / max(np.linalg.norm(want), 1e-3 * extent)
            worst = max(worst, error)
            if error > TOLERANCE:
                raise AssertionError("%s frame %d (%s) %s: Blender %s, expected %s" % (
                    bvh, index + 1, frame["source"], bone.name, got, want))
    print("blender_check: %s: %d joints x %d frames, every head within %.1e (largest %.2e)" % (
        bvh, len(names), len(frames), TOLERANCE, worst))


arguments = sys.argv[sys.argv.index("--") + 1:]
for k in range(0, len(arguments), 3):
    check(*arguments[k:k + 3])
