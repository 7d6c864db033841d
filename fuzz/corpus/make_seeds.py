#!/usr/bin/env python3
"""Writes the fuzz targets' seed inputs (small files of our own) next to this
script, one folder per target. Run it again after changing a seed."""
import os
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SEP = b"\x87"
SEP_ESCAPE = b"jds\x0c7\x1f"
CRLF = b"\r\n"
MARKER = b"hd+kvZo23 o8 j@a"
KEY = b"pw"  # the password fuzz_load_db reads enciphered lines with


def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) % 256
        s[i], s[j] = s[j], s[i]
    out = bytearray()
    i = j = 0
    for b in data:
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out.append(b ^ s[(s[i] + s[j]) % 256])
    return bytes(out)


def escape(data):
    return data.replace(b"\r", b"zbTo0c").replace(b"\n", b"zbTo1l").replace(b"\0", b"zbTo2n")


def value(data):
    return escape(data.replace(SEP, SEP_ESCAPE))


def lines(*items):
    return b"".join(item + CRLF for item in items)


def join(*parts):
    return SEP.join(parts)


HEADER = join(b"Demo", b"0", b"1.1a", b"t")
HELP = [b"[VEHELPTABLE Kinds]", join(b"0", b"2"), join(b"alpha", b"1"), join(b"beta", b"2"), b"[END Kinds]"]
TABLE = [
    b"[Main]",
    join(b"3", b"2"),
    b"tg",
    join(b"Id 0", b"Note 2", b"Kind 8 vyht:Kinds", b"Neg -16"),
    join(b"1", value(b"a\x87b\r\nc\0d"), b"1", b""),
    join(value(b"x\x87y\r\n"), b"", b"2", b"z"),
    b"[END Main]",
]
TEMPLATE = [
    b"[DataTable]",
    join(b"0", b"0"),
    b"0",
    join(b"IndNum 69", b"Parent 5", b"Type 5", b"Title 66", b"Login 2", b"Password 2", b"Description 2",
         b"Image 5", b"Flags 5"),
    b"[End DataTable]",
]
PLAIN = lines(b"dzorvaLiL", HEADER, *HELP, *TABLE)


def enciphered(items):
    return b"".join(escape(rc4(KEY, item)) + CRLF for item in items)


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# fuzz_load_db: a mode byte, then the bytes it turns into the file.
write("load_db", "plain", b"\x00" + PLAIN)
write("load_db", "template", b"\x00" + lines(b"dzorvaLiL", join(b"UserDataBase", b"0", b"1.1a"), *TEMPLATE))
write("load_db", "empty_help", b"\x00" + lines(b"dzorvaLiL", HEADER, b"[VEHELPTABLE E]", join(b"0", b"0"), b"[END E]"))
write("load_db", "marker", b"\x01" + str(len(PLAIN)).encode() + SEP + zlib.compress(PLAIN))
write("load_db", "compressed", b"\x02" + PLAIN)
# Damaged block ends: an end line that is not the table's, and a count
# short of the records; the blocks after them must still be read.
write("load_db", "damaged_end", b"\x00" + lines(b"dzorvaLiL", HEADER, *TABLE[:-1], b"[END Maim]", *TEMPLATE))
write("load_db", "count_short", b"\x00" + lines(b"dzorvaLiL", HEADER, TABLE[0], join(b"3", b"1"), *TABLE[2:], *TEMPLATE))
write("load_db", "encrypted", b"\x03" + enciphered([join(b"Demo", b"1", b"1.1a", b"t")] + HELP + TABLE))

# fuzz_string_form: whole string forms.
DBINFO = b"{.DBINFO|" + SEP + join(b"1", b"Demo", b"/p/x.vdb", b"True", b"tg", b"1.1a") + b"|.ENDDBINFO}"
HTABLE = (b"{HTBLSTART.|{.HTBLINFO|" + join(b"Kinds", b"3", b"2") + b"|.ENDHTBLINFO}$$|$$" + join(b"alpha", b"1") +
          b"$$|$$" + join(b"beta", b"2") + SEP + b"|.ENDHTBL}")
TBL = (b"{TBLSTART.|{.TBLINFO|" + join(b"Main", b"5", b"2", b"t", b"ag") + b"$$|$$" + join(b"3", b"ct") + b"$$|$$" +
       join(b"Id", b"0", b"") + b"$$|$$" + join(b"Note", b"2", b"") + b"$$|$$" + join(b"Kind", b"8", b"Kinds") +
       b"|.ENDTBLINFO}$$|$$" + join(b"1", b"a" + SEP_ESCAPE + b"b", b"1") + b"$$|$$" + join(b"2", b"", b"2") + SEP +
       b"|.ENDTBL}")
write("string_form", "full", DBINFO + HTABLE + TBL)
write("string_form", "info_only", DBINFO)
write("string_form", "empty_parts", DBINFO + b"{HTBLSTART.|{.HTBLINFO|" + join(b"E", b"0", b"0") + b"|.ENDHTBLINFO}" +
      SEP + b"|.ENDHTBL}" + b"{TBLSTART.|{.TBLINFO|" + join(b"T", b"0", b"0", b"") + b"$$|$$" + join(b"1", b"") +
      b"$$|$$" + join(b"A", b"0", b"") + b"|.ENDTBLINFO}" + SEP + b"|.ENDTBL}")

# fuzz_line_coding: a key length byte, the key, then the text.
write("line_coding", "controls", b"\x02pw" + b"a\r\nb\0c" + SEP + b"d")
write("line_coding", "tokens", b"\x03key" + b"zbTo0czbTo1lzbTo2nzbTo" + SEP_ESCAPE)
write("line_coding", "record", b"\x00" + join(b"1", value(b"a\x87b\r\n"), b"2"))

# fuzz_zlib: compressed file layouts and a raw stream.
write("zlib", "image", MARKER + str(len(PLAIN)).encode() + SEP + zlib.compress(PLAIN))
write("zlib", "image_short", MARKER + b"5" + SEP + zlib.compress(b"hello"))
write("zlib", "stream", b"\x00\x10" + zlib.compress(b"sixteen bytes!!!"))
