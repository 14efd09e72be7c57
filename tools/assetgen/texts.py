"""The scroller line and the info text, checked against the shapes that the program needs."""

CREDITS_LENGTH = 198
INFO_LINES = 216
INFO_WIDTH = 79

# The credits line of the splash scroller: exactly 198 printable ASCII characters.
# The program draws it once in the system font, 279 columns into a strip 1579 wide, so the
# text has about 1300 pixels: keep it to plain, mostly narrow lowercase words.
CREDITS = ("*** ZAV Installer *** a tiny self-extracting setup with a fire, a scroller and "
           "its own XM player ... made by the ZAV Installer team ... greetings to all "
           "trackers, coders and pixel artists ... enjoy!")

# Bytes the info text may hold besides printable ASCII: shades, blocks, middle dot, square.
INFO_EXTRA = set(range(0xB0, 0xB3)) | set(range(0xDB, 0xE0)) | {0xFA, 0xFE}


class TextError(Exception):
    pass


def credits_bytes():
    text = CREDITS
    if len(text) != CREDITS_LENGTH:
        raise TextError("credits line has %d characters, %d wanted"
                        % (len(text), CREDITS_LENGTH))
    bad = [c for c in text if not " " <= c <= "~"]
    if bad:
        raise TextError("credits line holds non-printable or non-ASCII %r" % bad[0])
    return text.encode("ascii")


def info_bytes(source_path):
    """info_source.txt (UTF-8, one line per line) -> CP437 lines joined by CR LF."""
    try:
        with open(source_path, "rb") as f:
            raw = f.read()
    except OSError as e:
        raise TextError("cannot read info source %s: %s" % (source_path, e.strerror))
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        raise TextError("%s is not UTF-8 (byte %d)" % (source_path, e.start))
    if text.endswith("\n"):
        text = text[:-1]
    lines = text.split("\n")
    if len(lines) != INFO_LINES:
        raise TextError("%s has %d lines, %d wanted" % (source_path, len(lines), INFO_LINES))
    out = []
    for n, line in enumerate(lines, 1):
        try:
            b = line.encode("cp437")
        except UnicodeEncodeError as e:
            raise TextError("%s line %d: %r has no code page 437 form"
                            % (source_path, n, line[e.start]))
        for byte in b:
            if not (0x20 <= byte <= 0x7E or byte in INFO_EXTRA):
                raise TextError("%s line %d: character %r (0x%02X) is not allowed"
                                % (source_path, n, bytes([byte]).decode("cp437"), byte))
        if len(b) > INFO_WIDTH:
            raise TextError("%s line %d is %d characters long, at most %d allowed"
                            % (source_path, n, len(b), INFO_WIDTH))
        out.append(b)
    return b"\r\n".join(out)
