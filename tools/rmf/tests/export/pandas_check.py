"""pandas reads the CSV files of `rmf export --to csv`: the dtypes are
checked, and every value against `rmf inspect --json` of the same capture,
floats bit for bit.

usage: /usr/bin/python3 pandas_check.py FRAMES.csv SENSORS.csv INSPECT.jsonl ORDER
"""
import json
import sys

import numpy as np
import pandas as pd

FRAME_TYPES = dict(sender=object, frame_number=np.int64, time=np.float64, uttm=np.float64,
                   timecode=object, subframe=np.int64, timecode_flag=np.int64,
                   capture_time=np.float64, bone_id=np.int64, parent_id=np.int64,
                   qx=np.float64, qy=np.float64, qz=np.float64, qw=np.float64, tx=np.float64,
                   ty=np.float64, tz=np.float64, follows_previous=bool)
SENSOR_TYPES = dict(sender=object, uttm=np.float64, capture_time=np.float64,
                    sensor_address=object, sensor_name=object, sensor_joint_index=np.int64,
                    **{"value%d" % k: np.float64 for k in range(7)})


def number(value):
    """A JSON float of inspect as the double it stands for."""
    return {"Infinity": np.inf, "-Infinity": -np.inf, "NaN": np.nan}.get(value, value)


def same_bits(column, values, width):
    """Equal as doubles, and equal in the bits of the float the documents hold."""
    got = np.asarray(column, dtype=np.float64)
    want = np.array([number(v) for v in values], dtype=np.float64)
    assert np.array_equal(got, want, equal_nan=True), "values differ"
    if width == 32:
        assert np.array_equal(got.astype(np.float32).view(np.uint32),
                              want.astype(np.float32).view(np.uint32))


def rotation_names(order):
    return ["qx", "qy", "qz", "qw"] if order == "xyzw" else ["qw", "qx", "qy", "qz"]


def read(path, types, columns):
    table = pd.read_csv(path, float_precision="round_trip")
    assert list(table.columns) == columns, "columns %s" % list(table.columns)
    for column, dtype in types.items():
        assert table[column].dtype == dtype, "%s: %s is %s" % (path, column, table[column].dtype)
    return table


def main(frames_path, sensors_path, inspect_path, order):
    entries = [json.loads(line) for line in open(inspect_path)]
    entries = [e for e in entries if e.get("document")]
    columns = list(FRAME_TYPES)
    columns[10:14] = rotation_names(order)
    frames = read(frames_path, FRAME_TYPES, columns)
    rows, parents, previous = [], {}, None
    for entry in entries:
        document, kind = entry["document"], entry["kind"]
        if kind == "skeleton_definition":
            parents = {bone["id"]: bone["parent"] for bone in document["bones"]}
        elif kind == "frame_data":
            follows = previous is not None and document["frame_number"] == previous + 1
            previous = document["frame_number"]
            for bone in document["bones"]:
                rows.append(dict(sender=entry["packet"]["source"], frame=document, bone=bone,
                                 parent=parents[bone["id"]], follows=follows,
                                 capture_time=float(entry["packet"]["time"])))
    assert len(frames) == len(rows), "%d rows, expected %d" % (len(frames), len(rows))
    column = lambda key: [row["frame"][key] for row in rows]
    assert list(frames.sender) == [row["sender"] for row in rows]
    assert list(frames.frame_number) == column("frame_number")
    same_bits(frames.time, column("time"), 32)
    same_bits(frames.uttm, column("uttm"), 64)
    assert list(frames.timecode) == column("timecode")
    assert list(frames.subframe) == column("subframe")
    assert list(frames.timecode_flag) == column("flag")
    assert list(frames.capture_time) == [row["capture_time"] for row in rows]
    assert list(frames.bone_id) == [row["bone"]["id"] for row in rows]
    assert list(frames.parent_id) == [row["parent"] for row in rows]
    for k, name in enumerate(rotation_names(order)):
        same_bits(frames[name], [row["bone"]["rotation"][k] for row in rows], 32)
    for k, name in enumerate(["tx", "ty", "tz"]):
        same_bits(frames[name], [row["bone"]["translation"][k] for row in rows], 32)
    assert list(frames.follows_previous) == [row["follows"] for row in rows]

    sensors = read(sensors_path, SENSOR_TYPES, list(SENSOR_TYPES))
    records = [e for e in entries if e["kind"] == "sensor_data"]
    assert len(sensors) == len(records)
    same_bits(sensors.uttm, [e["document"]["uttm"] for e in records], 64)
    assert list(sensors.capture_time) == [float(e["packet"]["time"]) for e in records]
    assert list(sensors.sensor_name) == [e["document"]["sensor_name"] for e in records]
    assert list(sensors.sensor_address) == [e["document"]["sensor_address"] for e in records]
    assert list(sensors.sensor_joint_index) == [e["document"]["sensor_joint_index"] for e in records]
    for k in range(7):
        same_bits(sensors["value%d" % k], [e["document"]["sensor_values"][k] for e in records], 32)
    print("pandas_check: %s: %d rows of %d frames, %s: %d records; dtypes and values as inspect's"
          % (frames_path, len(frames), len(set(frames.frame_number)), sensors_path, len(sensors)))


if __name__ == "__main__":
    main(*sys.argv[1:])
