"""TDS 7.x wire format: packet framing, the client messages the peer reads and the
server tokens it writes. Only what a SQL Server answering logins, batches and
cancels needs; integers are little-endian unless the protocol says otherwise."""

import struct

# Packet types
SQL_BATCH = 0x01
RPC = 0x03
REPLY = 0x04
ATTENTION = 0x06
LOGIN7 = 0x10
SSPI = 0x11
PRELOGIN = 0x12

STATUS_EOM = 0x01
STATUS_IGNORE = 0x02
HEADER = struct.Struct(">BBHHBB")  # type, status, length, spid, packet id, window

# DONE status bits
DONE_FINAL = 0x0000
DONE_MORE = 0x0001
DONE_ERROR = 0x0002
DONE_COUNT = 0x0010
DONE_ATTN = 0x0020

CURCMD_SELECT = 0x00C1

TDS72 = 0x72090002
# SQL_Latin1_General_CP1_CI_AS
COLLATION = bytes.fromhex("0904d00034")


class ConnectionClosed(Exception):
    pass


def recv_exact(sock, count):
    data = bytearray()
    while len(data) < count:
        chunk = sock.recv(count - len(data))
        if not chunk:
            raise ConnectionClosed()
        data += chunk
    return bytes(data)


def read_packet(sock):
    """One packet: (type, status, payload)."""
    kind, status, length, _, _, _ = HEADER.unpack(recv_exact(sock, HEADER.size))
    if length < HEADER.size:
        raise ConnectionClosed()
    return kind, status, recv_exact(sock, length - HEADER.size)


def read_message(sock):
    """Packets up to the end-of-message bit: (type, payload, ignored). A message the
    client ends with the ignore bit was abandoned half-way and must be dropped."""
    kind, status, payload = read_packet(sock)
    parts = [payload]
    while not status & STATUS_EOM:
        _, status, payload = read_packet(sock)
        parts.append(payload)
    return kind, b"".join(parts), bool(status & STATUS_IGNORE)


def write_message(sock, kind, payload, packet_size=4096):
    chunk = max(packet_size - HEADER.size, 512)
    packets = []
    for index, start in enumerate(range(0, max(len(payload), 1), chunk)):
        body = payload[start:start + chunk]
        last = start + chunk >= len(payload)
        header = HEADER.pack(kind, STATUS_EOM if last else 0, len(body) + HEADER.size, 0,
                             (index + 1) & 0xFF, 0)
        packets.append(header + body)
    sock.sendall(b"".join(packets))


# --- pre-login ---

def parse_prelogin(payload):
    """Option tokens -> {option number: bytes}."""
    options, pos = {}, 0
    while pos < len(payload) and payload[pos] != 0xFF:
        token, offset, length = struct.unpack_from(">BHH", payload, pos)
        options[token] = payload[offset:offset + length]
        pos += 5
    return options


def prelogin_reply():
    """Version 15.0, no encryption supported, default instance, no MARS."""
    options = [(0x00, bytes([15, 0, 0x07, 0xD0, 0, 0])), (0x01, b"\x02"), (0x02, b"\x00"),
               (0x03, b""), (0x04, b"\x00")]
    offset = 5 * len(options) + 1
    table, data = bytearray(), bytearray()
    for token, value in options:
        table += struct.pack(">BHH", token, offset + len(data), len(value))
        data += value
    return bytes(table + b"\xFF" + data)


# --- LOGIN7 ---

def _unscramble(raw):
    out = bytearray()
    for b in raw:
        b ^= 0xA5
        out.append(((b & 0x0F) << 4) | (b >> 4))
    return bytes(out)


def parse_login7(payload):
    (tds_version, packet_size, _prog, pid, _conn, flags1, flags2, type_flags, flags3, _tz,
     lcid) = struct.unpack_from("<IIIIIBBBBiI", payload, 4)

    def text(at, scramble=False):
        offset, chars = struct.unpack_from("<HH", payload, at)
        raw = payload[offset:offset + 2 * chars]
        return (_unscramble(raw) if scramble else raw).decode("utf-16-le", "surrogatepass")

    sspi_offset, sspi_length = struct.unpack_from("<HH", payload, 78)
    if sspi_length == 0xFFFF and len(payload) >= 94:
        sspi_length = struct.unpack_from("<I", payload, 90)[0]
    return {
        "tds_version": "0x%08X" % tds_version,
        "packet_size": packet_size,
        "client_pid": pid,
        "host": text(36),
        "user": text(40),
        "password": text(44, scramble=True),
        "app": text(48),
        "server": text(52),
        "library": text(60),
        "language": text(64),
        "database": text(68),
        "integrated_security": bool(flags2 & 0x80),
        "sspi_bytes": sspi_length,
        "sspi_head_hex": payload[sspi_offset:sspi_offset + min(sspi_length, 16)].hex(),
        "lcid": lcid,
        "option_flags": [flags1, flags2, type_flags, flags3],
    }


def batch_text(payload, tds_version):
    """The SQL text of a batch; TDS 7.2 and later put ALL_HEADERS in front."""
    if tds_version >= TDS72 and len(payload) >= 4:
        total = struct.unpack_from("<I", payload, 0)[0]
        if 4 <= total <= len(payload):
            payload = payload[total:]
    return payload.decode("utf-16-le", "surrogatepass")


RPC_PROCEDURES = {10: "sp_executesql", 11: "sp_prepare", 12: "sp_execute", 13: "sp_prepexec",
                  15: "sp_unprepare"}


def parse_rpc(payload, tds_version):
    """(procedure, [text parameters]) of a remote procedure call; text parameters are
    read up to the first parameter of a type this peer does not decode."""
    if tds_version >= TDS72 and len(payload) >= 4:
        payload = payload[struct.unpack_from("<I", payload, 0)[0]:]
    (length,) = struct.unpack_from("<H", payload, 0)
    if length == 0xFFFF:
        (number,) = struct.unpack_from("<H", payload, 2)
        procedure, pos = RPC_PROCEDURES.get(number, "proc %d" % number), 4
    else:
        procedure, pos = payload[2:2 + 2 * length].decode("utf-16-le", "replace"), 2 + 2 * length
    pos += 2  # option flags
    texts = []
    try:
        while pos < len(payload):
            pos += 1 + 2 * payload[pos] + 1  # name, status
            kind = payload[pos]
            if kind == 0x26:  # INTN
                pos += 2
                pos += 1 + payload[pos]
            elif kind in (0xE7, 0xEF):  # NVARCHAR, NCHAR
                (maximum,) = struct.unpack_from("<H", payload, pos + 1)
                pos += 8
                if maximum == 0xFFFF:  # PLP: total length, then chunks up to a zero one
                    pos, raw = pos + 8, bytearray()
                    while (chunk := struct.unpack_from("<I", payload, pos)[0]):
                        raw += payload[pos + 4:pos + 4 + chunk]
                        pos += 4 + chunk
                    pos += 4
                else:
                    (size,) = struct.unpack_from("<H", payload, pos)
                    raw, pos = payload[pos + 2:pos + 2 + size], pos + 2 + size
                texts.append(bytes(raw).decode("utf-16-le", "surrogatepass"))
            elif kind == 0x63:  # NTEXT
                pos += 10
                (size,) = struct.unpack_from("<I", payload, pos)
                if size == 0xFFFFFFFF:  # NULL
                    size = 0
                texts.append(payload[pos + 4:pos + 4 + size].decode("utf-16-le", "surrogatepass"))
                pos += 4 + size
            else:
                break
    except (IndexError, struct.error):
        pass
    return procedure, texts


# --- server tokens ---

def _b_varchar(text):
    raw = text.encode("utf-16-le")
    return bytes([len(raw) // 2]) + raw


def _us_varchar(text):
    raw = text.encode("utf-16-le")
    return struct.pack("<H", len(raw) // 2) + raw


def _token(kind, body):
    return bytes([kind]) + struct.pack("<H", len(body)) + body


def envchange(kind, new, old):
    return _token(0xE3, bytes([kind]) + _b_varchar(new) + _b_varchar(old))


def envchange_collation():
    return _token(0xE3, b"\x07" + bytes([len(COLLATION)]) + COLLATION + b"\x00")


def message(number, state, severity, text, server, tds_version, line=1):
    """INFO (severity 10 and below) or ERROR token."""
    kind = 0xAB if severity <= 10 else 0xAA
    body = (struct.pack("<iBB", number, state, severity) + _us_varchar(text) +
            _b_varchar(server) + _b_varchar(""))
    body += struct.pack("<i" if tds_version >= TDS72 else "<H", line)
    return _token(kind, body)


def loginack(tds_version, program="Microsoft SQL Server"):
    body = b"\x01" + struct.pack(">I", tds_version) + _b_varchar(program) + bytes([15, 0, 7, 208])
    return _token(0xAD, body)


def done(status, rowcount=0, tds_version=TDS72, kind=0xFD, curcmd=0):
    count = struct.pack("<Q" if tds_version >= TDS72 else "<I", rowcount)
    return bytes([kind]) + struct.pack("<HH", status, curcmd) + count


def nvarchar_table(column, values, tds_version):
    """COLMETADATA and ROW tokens of a one-column nvarchar(128) (sysname) result."""
    usertype = struct.pack("<I" if tds_version >= TDS72 else "<H", 0)
    meta = (b"\x81" + struct.pack("<H", 1) + usertype + struct.pack("<H", 0) + b"\xE7" +
            struct.pack("<H", 256) + COLLATION + _b_varchar(column))
    rows = bytearray()
    for value in values:
        raw = value.encode("utf-16-le")
        rows += b"\xD1" + struct.pack("<H", len(raw)) + raw
    return meta + bytes(rows)
