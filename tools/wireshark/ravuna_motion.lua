-- Wireshark 4.0 dissector for ravuna motion documents carried in UDP.
--
-- It shows the box tree as `rmf inspect` does: every box with its offset, size
-- and code, leaf values as filterable fields (prefix "rmf."), and an expert
-- message for every lenient read the library makes. It then judges the
-- document as the library does and puts the verdict in the tree and in the
-- Info column. The walks follow the library's rules to the letter, including
-- its bounds on hostile input: at most 32 nested levels entered, and at most
-- 33 box visits per 8 bytes in each walk or search.

local rmf = Proto("rmf", "Ravuna Motion Format")

local HEADER = 8
local MAX_DEPTH = 32
local FORMAT_TEXT = "kavi motion format"
-- Boxes shown per packet: no document without overlapping boxes reaches it,
-- and it keeps hostile ones well inside Wireshark's tree item limit.
local MAX_SHOWN_BOXES = 30000

local f = {
  box = ProtoField.none("rmf.box", "Box"),
  offset = ProtoField.uint32("rmf.box.offset", "Offset"),
  size = ProtoField.uint32("rmf.box.size", "Payload size"),
  code = ProtoField.string("rmf.box.code", "Code"),
  format = ProtoField.string("rmf.format", "Format type"),
  version = ProtoField.uint8("rmf.version", "Data version"),
  ip_packed = ProtoField.uint64("rmf.sender.ip_packed", "Sender address, packed"),
  ip = ProtoField.string("rmf.sender.ip", "Sender address"),
  port = ProtoField.uint16("rmf.sender.port", "Sender port"),
  bone_id = ProtoField.int16("rmf.bone.id", "Bone id"),
  parent_id = ProtoField.int16("rmf.bone.parent_id", "Parent bone id"),
  rotation = ProtoField.float("rmf.bone.rotation", "Rotation"),
  translation = ProtoField.float("rmf.bone.translation", "Translation"),
  frame_number = ProtoField.int32("rmf.frame.number", "Frame number"),
  time = ProtoField.float("rmf.frame.time", "Time"),
  uttm = ProtoField.double("rmf.uttm", "uttm"),
  timecode = ProtoField.string("rmf.frame.timecode", "Timecode"),
  subframe = ProtoField.uint8("rmf.frame.subframe", "Subframe"),
  flag = ProtoField.uint8("rmf.frame.timecode_flag", "Timecode flag"),
  sensor_address = ProtoField.string("rmf.sensor.address", "Sensor address"),
  sensor_name = ProtoField.string("rmf.sensor.name", "Sensor name"),
  joint = ProtoField.int32("rmf.sensor.joint_index", "Sensor joint index"),
  sensor_value = ProtoField.float("rmf.sensor.value", "Sensor value"),
  kind = ProtoField.string("rmf.kind", "Document kind"),
  accepted = ProtoField.bool("rmf.accepted", "Accepted"),
  diagnostic = ProtoField.string("rmf.diagnostic", "Rejected"),
}
rmf.fields = {}
for _, field in pairs(f) do
  table.insert(rmf.fields, field)
end

local function expert_info(name, text, severity)
  return ProtoExpert.new("rmf." .. name, text, expert.group.PROTOCOL, severity)
end
local e = {
  unknown = expert_info("unknown_code", "Unknown code", expert.severity.WARN),
  size_differs = expert_info("size_differs", "Size differs from the written", expert.severity.WARN),
  overrun = expert_info("overrun", "Overruns its container", expert.severity.WARN),
  past_end = expert_info("past_end", "Payload past the end", expert.severity.WARN),
  not_entered = expert_info("not_entered", "Nested too deep", expert.severity.WARN),
  not_walked = expert_info("not_walked", "Searched, not walked", expert.severity.NOTE),
  search_stop = expert_info("search_stop", "Box searches stop here", expert.severity.WARN),
  left_over = expert_info("left_over", "Bytes left over", expert.severity.NOTE),
  visit_limit = expert_info("visit_limit", "Box visits limited", expert.severity.WARN),
  not_shown = expert_info("not_shown", "Boxes not shown", expert.severity.NOTE),
  -- Not the malformed group: that one marks the packet with _ws.malformed,
  -- which is kept for exceptions raised while dissecting.
  rejected = expert_info("rejected", "Rejected by the library", expert.severity.ERROR),
}
rmf.experts = {}
for _, info in pairs(e) do
  table.insert(rmf.experts, info)
end

-- Leaf readers: each adds the box's value fields, reading as the library
-- does (a value whose bytes lie past the end reads as 0), and may return the
-- value as text for the box's label.
local function number(field, width, read, format)
  return function(item, tvb, len, payload)
    if payload + width <= len then
      local range = tvb(payload, width)
      item:add_le(field, range)
      return string.format(format, range[read](range))
    end
    item:add(field, 0)
    return "0"
  end
end

local function text(field)
  return function(item, tvb, len, payload, size)
    if size > 0 and payload + size <= len then
      local range = tvb(payload, size)
      item:add(field, range)
      return string.format("%q", range:raw())
    end
    item:add(field, "")
    return '""'
  end
end

local function floats(first_field, first_count, second_field)
  return function(item, tvb, len, payload)
    for k = 0, 6 do
      local field = k < first_count and first_field or second_field
      if payload + 4 * k + 4 <= len then
        item:add_le(field, tvb(payload + 4 * k, 4))
      else
        item:add(field, 0)
      end
    end
  end
end

local function address(item, tvb, len, payload)
  local packed, range = UInt64(0), nil
  if payload + 8 <= len then
    range = tvb(payload, 8)
    packed = range:le_uint64()
  end
  local groups = {}
  for i, divisor in ipairs({1000000000, 1000000, 1000, 1}) do
    groups[i] = ((packed / divisor) % 1000):tonumber()
  end
  local dotted = table.concat(groups, ".")
  if range then
    item:add_le(f.ip_packed, range)
    item:add(f.ip, range, dotted)
  else
    item:add(f.ip_packed, packed)
    item:add(f.ip, dotted)
  end
  return dotted
end

local subframe = number(f.subframe, 1, "le_uint", "%d")
local flag = number(f.flag, 1, "le_uint", "%d")

local function timecode(item, tvb, len, payload)
  local clock = {}
  for k = 0, 3 do
    clock[k + 1] = string.format("%02d", payload + k < len and tvb(payload + k, 1):uint() or 0)
  end
  clock = table.concat(clock, ":")
  if payload + 4 <= len then
    item:add(f.timecode, tvb(payload, 4), clock)
  else
    item:add(f.timecode, clock)
  end
  subframe(item, tvb, len, payload + 4)
  flag(item, tvb, len, payload + 5)
  return clock
end

-- The 24 codes: containers, and for each leaf its reader and the payload
-- size the library writes (0 for texts).
local KINDS = {}
for _, code in ipairs({"head", "sndf", "skdf", "bons", "bndt", "fram", "btrs", "btdt", "sndt"}) do
  KINDS[code] = {container = true, written = 0}
end
local leaves = {
  ftyp = {text(f.format), 0}, vrsn = {number(f.version, 1, "le_uint", "%d"), 1},
  ipad = {address, 8}, rcvp = {number(f.port, 2, "le_uint", "%d"), 2},
  bnid = {number(f.bone_id, 2, "le_int", "%d"), 2},
  pbid = {number(f.parent_id, 2, "le_int", "%d"), 2},
  tran = {floats(f.rotation, 4, f.translation), 28},
  fnum = {number(f.frame_number, 4, "le_int", "%d"), 4},
  time = {number(f.time, 4, "le_float", "%g"), 4},
  uttm = {number(f.uttm, 8, "le_float", "%.15g"), 8}, tmcd = {timecode, 6},
  snad = {text(f.sensor_address), 0}, snnm = {text(f.sensor_name), 0},
  snji = {number(f.joint, 4, "le_int", "%d"), 4}, snvl = {floats(f.sensor_value, 7), 28},
}
for code, leaf in pairs(leaves) do
  KINDS[code] = {read = leaf[1], written = leaf[2]}
end

local function is_container(code)
  return KINDS[code] ~= nil and KINDS[code].container == true
end

local function u32(bytes, at)
  local a, b, c, d = bytes:byte(at + 1, at + 4)
  return a + b * 256 + c * 65536 + d * 16777216
end

local function signed(value, bits)
  return value >= 2 ^ (bits - 1) and value - 2 ^ bits or value
end

-- Bytes [base, base + count): the document, or a box cut out of it as the
-- library slices it. Offsets within it are relative; values past its end
-- read as 0.
local function view(bytes, base, count)
  return {bytes = bytes, base = base, count = count}
end

local function budget_for(count)
  return (MAX_DEPTH + 1) * (math.floor(count / HEADER) + 1)
end

local function read_header(v, at)
  return u32(v.bytes, v.base + at), v.bytes:sub(v.base + at + 5, v.base + at + 8)
end

local function value_at(v, at, width)
  if at + width > v.count then
    return 0
  end
  local value = 0
  for k = width, 1, -1 do
    value = value * 256 + v.bytes:byte(v.base + at + k)
  end
  return value
end

-- The library's depth-first search for the first box of a code: offset and
-- length (header included), or nil.
local function find_box(v, wanted)
  local budget = budget_for(v.count)
  local function search(start, stop, depth)
    local at = start
    while at < stop and at + HEADER <= v.count do
      if budget == 0 then
        return nil
      end
      budget = budget - 1
      local size, code = read_header(v, at)
      if code == wanted then
        return at, HEADER + size
      end
      if size == 0 or size >= 2 ^ 31 or not KINDS[code] then
        return nil
      end
      if is_container(code) and depth < MAX_DEPTH then
        local found, length = search(at + HEADER, at + HEADER + size, depth + 1)
        if found then
          return found, length
        end
      end
      at = at + HEADER + size
    end
  end
  return search(0, v.count, 0)
end

-- The library's box walk: handle(code, payload, size) returns true for the
-- boxes it reads; other containers are entered, the rest skipped.
local function walk(v, handle)
  local budget = budget_for(v.count)
  local function range(start, stop, depth)
    local at = start
    while at + HEADER < stop do
      if budget == 0 then
        return
      end
      budget = budget - 1
      local size, code = read_header(v, at)
      local payload = at + HEADER
      if not handle(code, payload, size) and is_container(code) and depth < MAX_DEPTH then
        range(payload, math.min(payload + size, v.count + 1), depth + 1)
      end
      at = payload + size
    end
  end
  range(0, v.count, 0)
end

local function slice(v, at, length)
  return view(v.bytes, v.base + at, math.min(length, v.count - at))
end

local DOCUMENT_KINDS = {
  {code = "skdf", name = "skeleton_definition"},
  {code = "fram", name = "frame_data"},
  {code = "sndt", name = "sensor_data"},
}

-- What the library reads: the kind whose data box a search finds first, then
-- the envelope checks in the library's order. Returns the kind's name and
-- the rejection text, or for an accepted document nil, the data box's code
-- and the data box as the library slices it.
local function judge(document)
  local kind, first = nil, nil
  for _, candidate in ipairs(DOCUMENT_KINDS) do
    local at = find_box(document, candidate.code)
    if at and (not first or at < first) then
      kind, first = candidate, at
    end
  end
  local name = kind and kind.name or "unknown"
  local head_at, head_length = find_box(document, "head")
  if not head_at then
    return name, "Invalid header data."
  end
  if not find_box(document, "sndf") then
    return name, "Invalid sender definition data."
  end
  local data_at, data_length = find_box(document, kind and kind.code or "skdf")
  if not data_at then
    return name, "Invalid value data."
  end
  local version = 1
  local head = slice(document, head_at, head_length)
  walk(head, function(code, payload)
    if code == "vrsn" then
      version = value_at(head, payload, 1)
    end
    return code == "vrsn" or code == "ftyp"
  end)
  if version ~= 1 then
    return name, "Invalid data version. Current version : 1, Target version : " .. version .. "."
  end
  return name, nil, kind.code, slice(document, data_at, data_length)
end

local function bone_count_text(count)
  return count .. (count == 1 and " bone" or " bones")
end

-- The Info column's summary of an accepted document, from its data box.
local function summarize(code, data)
  local bones, frame, clock, sensor, joint = 0, 0, {"00", "00", "00", "00"}, "", nil
  walk(data, function(box_code, payload, size)
    if box_code == "bnid" then
      bones = bones + 1
    elseif box_code == "fnum" then
      frame = signed(value_at(data, payload, 4), 32)
    elseif box_code == "tmcd" then
      for k = 1, 4 do
        clock[k] = string.format("%02d", value_at(data, payload + k - 1, 1))
      end
    elseif box_code == "snnm" then
      sensor = size > 0 and payload + size <= data.count
          and data.bytes:sub(data.base + payload + 1, data.base + payload + size) or ""
    elseif box_code == "snji" then
      joint = signed(value_at(data, payload, 4), 32)
    else
      return false
    end
    return true
  end)
  if code == "skdf" then
    return "skeleton definition · " .. bone_count_text(bones)
  elseif code == "fram" then
    return "frame " .. frame .. " · " .. bone_count_text(bones) .. " · " .. table.concat(clock, ":")
  end
  return "sensor " .. sensor .. (joint and " · joint " .. joint or "")
end

-- The box tree as `rmf inspect` shows it, with its marks as expert messages.
local function show_tree(tvb, bytes, root)
  local len = tvb:len()
  local budget, shown = budget_for(len), 0
  local search_stopped, limited = false, false
  local show_range

  local function show_box(parent, at, declared_end, depth, walked)
    local size, code = u32(bytes, at), bytes:sub(at + 5, at + 8)
    local kind = KINDS[code]
    local payload = at + HEADER
    local payload_end = payload + size
    local item = parent:add(f.box, tvb(at, math.min(HEADER + size, len - at)))
    item:add(f.offset, at)
    item:add_le(f.size, tvb(at, 4))
    item:add(f.code, tvb(at + 4, 4))
    local label = kind and code or string.format("%q", code)
    local value = kind and kind.read and walked and kind.read(item, tvb, len, payload, size)
    if value then
      label = label .. " " .. value
    end
    item:set_text(string.format("%s  (offset %d, size %d)", label, at, size))
    if not kind then
      item:add_proto_expert_info(e.unknown, "unknown code: skipped")
    end
    if kind and kind.written ~= 0 and kind.written ~= size then
      item:add_proto_expert_info(e.size_differs, "size differs from the written " .. kind.written)
    end
    if walked and depth > 0 and payload_end > declared_end then
      item:add_proto_expert_info(e.overrun, "overruns its container by "
                                 .. (payload_end - declared_end) .. " bytes")
    end
    if payload_end > len then
      item:add_proto_expert_info(e.past_end, (payload_end - len) .. " payload bytes past the end")
    end
    if not walked then
      item:add_proto_expert_info(e.not_walked, "ends its range: searched, not walked")
    elseif kind and kind.container and depth >= MAX_DEPTH then
      item:add_proto_expert_info(e.not_entered, "nested too deep: not entered")
    end
    if walked and depth == 0 and not search_stopped and (not kind or size == 0 or size >= 2 ^ 31) then
      search_stopped = true
      item:add_proto_expert_info(e.search_stop, "box searches stop here")
    end
    if walked and kind and kind.container and depth < MAX_DEPTH then
      show_range(item, payload, math.min(payload_end, len + 1), payload_end, depth + 1)
    end
    return size
  end

  -- Shows the boxes of [start, stop) as the walk visits them; declared_end is
  -- where the container's size field says the range ends.
  show_range = function(parent, start, stop, declared_end, depth)
    local at = start
    while at + HEADER < stop do
      if budget == 0 or shown == MAX_SHOWN_BOXES then
        limited = true
        return
      end
      budget, shown = budget - 1, shown + 1
      at = at + HEADER + show_box(parent, at, declared_end, depth, true)
    end
    local left = math.min(stop, len) - at
    if left == HEADER then
      -- An empty box ending its range exactly: searches see it, walks do not.
      show_box(parent, at, declared_end, depth, false)
    elseif left > 0 then
      parent:add_proto_expert_info(e.left_over, left .. " bytes left over, too few for a box")
    end
  end

  show_range(root, 0, len, len, 0)
  if limited and budget == 0 then
    root:add_proto_expert_info(e.visit_limit,
      "box visits limited: the rest is not shown, as the library does not read it")
  elseif limited then
    root:add_proto_expert_info(e.not_shown, "only the first " .. MAX_SHOWN_BOXES .. " boxes are shown")
  end
end

function rmf.dissector(tvb, pinfo, tree)
  if tvb:len() == 0 then
    return 0
  end
  pinfo.cols.protocol = "RMF"
  local document = view(tvb:raw(), 0, tvb:len())
  local kind, rejection, code, data = judge(document)
  local summary = rejection and "rejected: " .. rejection or summarize(code, data)
  pinfo.cols.info = summary
  local root = tree:add(rmf, tvb(), "Ravuna motion document, " .. summary)
  root:add(f.kind, kind)
  root:add(f.accepted, rejection == nil)
  if rejection then
    root:add(f.diagnostic, rejection)
    root:add_proto_expert_info(e.rejected, rejection)
  end
  show_tree(tvb, document.bytes, root)
  return tvb:len()
end

-- Recognition: a datagram whose first box is "head" holding the format text.
local function looks_like_document(tvb)
  if tvb:len() < HEADER or tvb:raw(4, 4) ~= "head" then
    return false
  end
  local head = tvb:raw(0, math.min(HEADER + tvb(0, 4):le_uint(), tvb:len()))
  return head:find(FORMAT_TEXT, HEADER + 1, true) ~= nil
end

rmf:register_heuristic("udp", function(tvb, pinfo, tree)
  if not looks_like_document(tvb) then
    return false
  end
  rmf.dissector(tvb, pinfo, tree)
  return true
end)

-- Ports always dissected as documents, whatever the heuristic says; "Decode
-- As" offers the dissector on any UDP port.
rmf.prefs.ports = Pref.range("UDP ports", "", "UDP ports whose datagrams are motion documents", 65535)
local udp_ports = DissectorTable.get("udp.port")
udp_ports:add_for_decode_as(rmf)
local registered_ports = ""

function rmf.prefs_changed()
  if registered_ports ~= "" then
    udp_ports:remove(registered_ports, rmf)
  end
  registered_ports = rmf.prefs.ports
  if registered_ports ~= "" then
    udp_ports:add(registered_ports, rmf)
  end
end
