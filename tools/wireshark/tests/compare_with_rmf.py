#!/usr/bin/env python3
"""Compares every box, value, mark and verdict the Lua dissector shows in tshark with `rmf inspect` on the
same payloads; counts Lua errors over 10,000 mixed documents. Usage: $0 RMF DISSECTOR.lua WORK_FOLDER"""
import json, math, os, random, re, struct, subprocess, sys, time
import xml.etree.ElementTree as ET

RMF, LUA, WORK = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
PREF_PORT, HEURISTIC_PORT, LOOPBACK = 50002, 50003, bytes([127, 0, 0, 1])
GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../rmf/tests/golden')
ENV = dict(os.environ, HOME=WORK, XDG_CONFIG_HOME=WORK)  # no personal settings or plugins
VALUES = {'ftyp': 'format', 'vrsn': 'version', 'ipad': 'sender.ip_packed sender.ip', 'uttm': 'uttm',
          'rcvp': 'sender.port', 'bnid': 'bone.id', 'pbid': 'bone.parent_id', 'fnum': 'frame.number',
          'tran': 'bone.rotation ' * 4 + 'bone.translation ' * 3, 'time': 'frame.time',
          'tmcd': 'frame.timecode frame.subframe frame.timecode_flag', 'snad': 'sensor.address',
          'snnm': 'sensor.name', 'snji': 'sensor.joint_index', 'snvl': 'sensor.value ' * 7}
CAPTURE_MAGIC = {bytes.fromhex(m) for m in ('d4c3b2a1', 'a1b2c3d4', '4d3cb2a1', 'a1b23c4d', '0a0d0d0a')}
MARKS = {'unknown', 'written_size', 'overrun_bytes', 'missing_bytes', 'not_entered', 'not_walked', 'ends_search'}

def write_capture(path, datagrams):
    """Ethernet, IPv4 on loopback and UDP; datagrams over 1,500 bytes go in fragments."""
    records = [struct.pack('<IHHiIII', 0xa1b2c3d4, 2, 4, 0, 0, 65535, 1)]
    for number, (port, payload) in enumerate(datagrams):
        udp = struct.pack('>HHHH', 50001, port, 8 + len(payload), 0) + payload
        for at in range(0, len(udp), 1480):
            chunk, more = udp[at:at + 1480], at + 1480 < len(udp)
            ip = struct.pack('>BBHHHBBH4s4s', 0x45, 0, 20 + len(chunk), number & 0xffff,
                             more << 13 | at // 8, 64, 17, 0, LOOPBACK, LOOPBACK)
            frame = bytes(12) + b'\x08\0' + ip + chunk
            records.append(struct.pack('<IIII', number, 0, len(frame), len(frame)) + frame)
    with open(path, 'wb') as file:
        file.write(b''.join(records))


def run(command, **options):
    result = subprocess.run(command, capture_output=True, text=True, env=ENV, **options)
    noise = re.sub(r'Running as user.*\n', '', result.stderr)  # tshark's words for root, who runs the CI
    assert result.returncode in (0, 1) and not noise, (command[:4], noise)
    return result.stdout


def rmf_reports(inputs):
    reports = [json.loads(line) for line in run([RMF, 'inspect', '--json', *inputs]).splitlines()]
    trees = re.findall(r'^  offset +size  box\n(.*?)^verdict', run([RMF, 'inspect', *inputs]), re.M | re.S)
    return zip([r for r in reports if 'boxes' in r], [tree.splitlines() for tree in trees], strict=True)


def dissect(capture, *options):
    command = ['tshark', '-r', capture, '-X', 'lua_script:' + LUA, '-T', 'pdml', *options]
    fields = list(ET.fromstring(run(command)).iter())
    assert not [f for f in fields if f.get('name') in ('_ws.lua.error', '_ws.malformed')], capture
    return [f for f in fields if f.tag == 'proto' and f.get('name') == 'rmf']


def flatten(boxes):
    return [each for box in boxes for each in [box, *flatten(box.get('children', []))]]


def expected_info(report):
    document = report['document'] or {}
    count, joint = len(document.get('bones', [])), document.get('sensor_joint_index')
    bones = f'{count} bone' + 's' * (count != 1)
    summaries = {'skeleton_definition': 'skeleton definition · ' + bones,
                 'frame_data': f"frame {document.get('frame_number')} · {bones} · {document.get('timecode')}",
                 'sensor_data': f"sensor {document.get('sensor_name')}" + (f' · joint {joint}' * (joint is not None))}
    return summaries[report['kind']] if report['accepted'] else 'rejected: ' + report['diagnostic']


def expected_marks(report, lines):
    """rmf's marks and notes in the order of its text output, each box's after its offset."""
    boxes, marks = iter(flatten(report['boxes'])), [] if report['accepted'] else [report['diagnostic']]
    for line in lines:
        if line.strip().startswith('('):
            marks.append(line.strip()[1:-1])
        else:
            box = next(boxes)
            count = len(MARKS & set(box))
            marks += [f"@{box['offset']}"] + (re.findall(r' \[([^][]*)\]', line)[-count:] if count else [])
    return marks


def compare(proto, report, lines):
    verdict = {f.get('name'): f.get('show') for f in proto}
    assert [verdict['rmf.kind'], verdict['rmf.accepted'] == '1', verdict.get('rmf.diagnostic')] == [
        report['kind'], report['accepted'], report['diagnostic']]
    assert proto.get('showname') == 'Ravuna motion document, ' + expected_info(report)
    shown = [f for f in proto.iter('field') if f.get('name') == 'rmf.box']
    for field, box in zip(shown, flatten(report['boxes']), strict=True):
        children = [c for c in field if c.get('name') not in ('rmf.box', '_ws.expert')]
        code = bytes.fromhex(children[2].get('value')).decode()
        assert [c.get('show') for c in children[:2]] + [code] == [str(box['offset']), str(box['size']), box['code']]
        assert [c.get('name')[4:] for c in children[3:]] == (VALUES[code].split() if 'value' in box else []), box
        values = [box['timecode'], box['subframe'], box['flag']] if 'timecode' in box else box.get('value', [])
        values = (values if isinstance(values, list) else [values]) + [box[k] for k in ['address'] if k in box]
        for child, value in zip(children[3:], values, strict=True):
            raw, show = bytes.fromhex(child.get('value', '')), child.get('show')
            if isinstance(value, float):  # the exact bits, and the shown value decoded from them
                layout = '<d' if code == 'uttm' else '<f'
                assert (raw or bytes(struct.calcsize(layout))) == struct.pack(layout, value), (code, raw, value)
                assert math.isclose(float(show), value, rel_tol=1e-5, abs_tol=1e-37), (code, show, value)
            else:
                assert show == str(value), (code, show, value)
    messages = [f.get('show') if f.get('name') == '_ws.expert.message' else '@' + f[0].get('show')
                for f in proto.iter('field') if f.get('name') in ('rmf.box', '_ws.expert.message')]
    assert messages == expected_marks(report, lines), (messages, expected_marks(report, lines))
    return sum(f.get('name').startswith('rmf.') for f in proto.iter('field'))


def box(code, payload, size=None):
    return struct.pack('<I', len(payload) if size is None else size) + code + payload


def hostile_documents(envelope):
    """Deep nesting, overlapping ranges, sizes that wrap, claim too much or stop searches."""
    nested = b''.join(box(b'fram' if depth % 2 else b'btrs', b'', 8 * (39 - depth) + 12) for depth in range(40))
    nested += box(b'fnum', b'\7\0\0\0')
    # Each unit's container claims the rest: walks revisit it until the visit bound.
    overlap = b''.join(box(b'head', b'', 24) + box(b'sndf', b'', 32 * (12 - i)) + box(b'ftyp', b'x' * 8)
                       for i in range(12))
    wrapping = box(b'fram', box(b'fnum', b'\1\0\0\0') + box(b'btdt', b'', 2 ** 32 - 8) + box(b'tmcd', b'\1\2\3', 6))
    value_last = box(b'fram', box(b'time', struct.pack('<f', -1.5e-40)) + box(b'fnum', struct.pack('<i', -5)))
    header_last = box(b'fram', box(b'bnid', b'', 2), 10)  # claims 2 bytes more than there are
    version_outside_head = box(b'head', box(b'bons', box(b'vrsn', b'', 1), 10)) + envelope[43:] + value_last
    return [envelope + nested, envelope + overlap, envelope + wrapping + box(b'skdf', b'', 2 ** 31 - 1),
            envelope + value_last, envelope + header_last, version_outside_head + box(b'skdf', b''),
            box(b'head', b'', 0) + envelope + box(b'sndt', b'')]


def mutate(document, rng):
    """One to four edits: a hostile size field, a changed byte, a cut or an inserted copy."""
    for _ in range(rng.randint(1, 4)):
        at, copy = rng.randrange(len(document) + 1), rng.randrange(len(document) + 1)
        size_at = rng.choice([m.start() for m in re.finditer(rb'[a-z]{4}', document[4:])] or [at])
        size = struct.pack('<I', rng.choice([0, 1, 7, 8, 2 ** 31 - 1, 2 ** 31, 2 ** 32 - 1]))
        document = rng.choice([document[:size_at] + size + document[size_at + 4:], document[:at],
                               document[:at] + bytes([rng.randrange(256)]) + document[at + 1:],
                               document[:at] + document[copy:copy + rng.randrange(200)] + document[at:]])
    return document


def compare_packets(name, capture, inputs, *options):
    pairs = list(zip(dissect(capture, *options), rmf_reports(inputs), strict=True))
    print(f'{name}: {len(pairs)} packets, {sum(compare(p, *r) for p, r in pairs)} fields compared with rmf')


def compare_capture(name, payloads, *options, noise=()):
    """Packets on a port for Decode As when given options, else on one the heuristic must find."""
    inputs = [os.path.join(WORK, f'{name}{index}.hex') for index in range(len(payloads))]
    for path, payload in zip(inputs, payloads):
        with open(path, 'w') as file:
            file.write(payload.hex())
    port = PREF_PORT if options else HEURISTIC_PORT
    write_capture(f'{WORK}/{name}.pcap', [(port, payload) for payload in payloads + list(noise)])
    compare_packets(name, os.path.join(WORK, name + '.pcap'), ['--hex', *inputs], *options)


def main():
    run([RMF, 'demo', demo := os.path.join(WORK, 'demo')])
    documents = [open(f'{demo}/{n}', 'rb').read() for n in sorted(os.listdir(demo)) if '.rmf' in n]
    golden = [bytes.fromhex(open(f'{GOLDEN}/{n}').read()) for n in sorted(os.listdir(GOLDEN)) if '.hex' in n]
    golden = [g for g in golden if g[:4] not in CAPTURE_MAGIC]  # rmf's golden captures are not payloads
    hostile, padded = hostile_documents(documents[0][:77]), documents[0] + bytes(3000)
    compare_packets('demo capture', f'{demo}/capture.pcap', [f'{demo}/capture.pcap'])
    noise = [g for g in golden if g[4:8] != b'head'] + [box(b'head', box(b'ftyp', b'another format'))]
    compare_capture('fragmented', documents + [padded], noise=noise)
    compare_capture('broken', golden + hostile, '-d', f'udp.port=={PREF_PORT},rmf')

    rng, bases = random.Random(1), documents + golden + hostile + [b'', b'head', padded]
    mixed = [(rng.choice([PREF_PORT, HEURISTIC_PORT]), base if i % 10 == 0 else mutate(base, rng))
             for i, base in enumerate(rng.choice(bases) for _ in range(10000))]
    write_capture(os.path.join(WORK, 'mixed.pcap'), mixed)
    started = time.monotonic()
    rows = [line.split('\t') for line in run(
        ['tshark', '-r', os.path.join(WORK, 'mixed.pcap'), '-X', 'lua_script:' + LUA, '-o', f'rmf.ports:{PREF_PORT}',
         '-T', 'fields', *'-e udp.dstport -e udp.length -e rmf.accepted -e _ws.lua.error -e _ws.malformed'.split()],
        timeout=600).splitlines()]
    errors, dissected = sum(bool(r[3] or r[4]) for r in rows), sum(bool(r[2]) for r in rows)
    print(f'mixed: {len(mixed)} documents, {dissected} dissected, {errors} Lua errors, {time.monotonic() - started:.0f} s')
    # Every datagram with a payload on the preference's port is dissected, whatever the heuristic says.
    assert errors == 0 and all(r[2] for r in rows if r[0] == str(PREF_PORT) and r[1] != '8'), errors


if __name__ == '__main__':
    main()
