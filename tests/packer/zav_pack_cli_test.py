#!/usr/bin/python3
"""zav-pack's command line: every refusal is a row (exit 2, the input named, no output file,
an existing output untouched), then the success path: exit 0, the same bytes twice,
SOURCE_DATE_EPOCH honoured, a failed write with exit 1, and --help as the author's guide
(docs/zav-pack.md) shows it.
With a Wine prefix the same table runs against zav-pack.exe, given this machine's paths (Wine
reads them as paths of its drive Z:); a name that is no Unicode is the same row on both, shown as
each system has it: bytes that are no UTF-8 on Linux, an unpaired surrogate on Windows.

With zav-pack.exe, the Linux build beside it makes the same installers, byte for byte.

  zav_pack_cli_test.py ZAV_PACK README.md WORK_DIR [WINE_PREFIX ZAV_TESTCTL LINUX_ZAV_PACK]"""
import atexit
import io
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import time
import zlib

import pefile
from PIL import Image

zav_pack, readme, work = sys.argv[1:4]
launcher, environment = [zav_pack], dict(os.environ)
if len(sys.argv) > 4:
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'e2e'))
    from harness.wine import WinePrefix  # noqa: E402
    prefix = WinePrefix(sys.argv[4]).lock()
    prefix.ensure()
    environment = prefix.full_env()
    environment.pop('DISPLAY', None)
    # One server for every run, instead of one started and ended per run; its services start
    # here, so that they keep no run's output pipes open.
    subprocess.run(['wineserver', '-p'], env=environment, check=True)
    subprocess.run(['wine', 'cmd', '/c', 'exit'], env=environment, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)
    atexit.register(lambda: (prefix.kill_server(), prefix.unlock()))
    launcher = ['wine', zav_pack]
    testctl, linux_zav_pack = sys.argv[5:7]
under_wine = launcher[0] == 'wine'
failures = []
checks = [0]


def check(condition, what):
    checks[0] += 1
    if not condition:
        failures.append(what)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data if isinstance(data, bytes) else data.encode())
    return path


def convert(*arguments):
    subprocess.run(['convert', *arguments], check=True)
    return arguments[-1]


def is_unicode(text):
    try:
        text.encode('utf-8')
        return True
    except UnicodeEncodeError:
        return False


def tree(folder):
    """Every file below a folder: relative path (with "/") -> bytes."""
    found = {}
    for base, _, names in os.walk(folder):
        for name in names:
            found[os.path.relpath(os.path.join(base, name), folder).replace(os.sep, '/')] = open(os.path.join(base, name), 'rb').read()
    return found


def unpacked(cabinet):
    """The files of a cabinet's bytes as cabextract unpacks them."""
    folder = at('unpacked')
    shutil.rmtree(folder, ignore_errors=True)
    subprocess.run(['cabextract', '-q', '-d', folder, write(folder + '.cab', cabinet)], check=True)
    return tree(folder)


def checksum_right(image):
    return image.OPTIONAL_HEADER.CheckSum == image.generate_checksum()


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.005)
    return True


def left_alone(what, output):
    """An output that was there before a failed write is as it was, and no temporary file is left."""
    check(open(output, 'rb').read() == b'keep me', '%s: the existing output was changed' % what)
    check(not any('zav-pack-' in name for name in os.listdir(os.path.dirname(output))), '%s: a temporary file was left' % what)


def windows_units(arguments):
    """The command line of zav-pack.exe with `arguments` as zav-testctl's run takes it."""
    line = subprocess.list2cmdline(['Z:' + zav_pack.replace('/', '\\'), *arguments])
    return line.encode('utf-16-be', 'surrogatepass').hex()


def run(arguments, env=None):
    command = [*launcher, *arguments]
    if under_wine and any(not is_unicode(argument) for argument in arguments):
        # Python holds bytes that are no UTF-8 as unpaired surrogates (U+DC80 to U+DCFF): Linux
        # gets the bytes, and zav-pack.exe the surrogates, which only a Windows program can
        # hand over.
        command = ['wine', testctl, 'run', windows_units(arguments)]
    # The time-out only guards against a hang: under Wine on a busy machine, walking the row of
    # 65,536 files alone has taken over two minutes.
    def attempt(**more_env):
        return subprocess.run(command, capture_output=True, text=True, timeout=900,
                              env={**environment, **(env or {}), **more_env})
    result = attempt()
    if under_wine and not result.stdout and not result.stderr:
        # zav-pack writes at least one line on every outcome, and a crash of it brings up Wine's
        # debugger, so a run with no word at all was ended by Wine before the program could
        # speak (seen once in thousands of runs beside a build: exit 1). Such a run is taken
        # again, once, with Wine's own errors on, so that a second one says why.
        print('Wine ended zav-pack.exe without a word (exit %d); run again: %r'
              % (result.returncode, arguments))
        result = attempt(WINEDEBUG='err+all')
    return result


def shown(linux, windows):
    """A name as each build shows it in a message."""
    return windows if under_wine else linux


shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
at = lambda name: os.path.join(work, name)
payload = at('payload')
write(at('payload/readme.txt'), 'hello\n')
write(at('payload/bin/tool.dat'), os.urandom(5000))
write(at('payload/\u00dcbung/\u8aac\u660e\u66f8.txt'), 'names in any script\n')
# More than a cabinet block (32 KiB) and than a piece that the writer reads back at a time (1 MiB).
write(at('payload/data/noise.bin'), os.urandom(1536 * 1024))


def folder_with(*files, link=None):
    """A payload folder holding `files` (relative names), and a symbolic link if asked."""
    folder = at('p%d' % len(os.listdir(work)))
    os.makedirs(folder)
    for name in files:
        write(os.path.join(folder, name), 'x')
    if link:
        os.symlink('/etc/passwd', os.path.join(folder, link))
    return folder


def folder_of_special(kind):
    """A payload folder with a FIFO, 65,536 empty files, or a file past one cabinet folder's
    2,147,450,880 bytes (sparse: it takes no disk)."""
    folder = folder_with()
    if kind == 'fifo':
        os.mkfifo(os.path.join(folder, 'pipe'))
    elif kind == 'files':
        for i in range(65536):
            os.close(os.open(os.path.join(folder, '%05d' % i), os.O_CREAT | os.O_WRONLY))
    else:
        with open(os.path.join(folder, 'huge.bin'), 'wb') as f:
            f.truncate(65535 * 32768 + 1)
    return folder


def cabinet_of(name):
    """A cabinet of one file called `name` (made by gcab as "aaa.txt", then renamed inside;
    bytes are stored as they are, without the UTF-8 mark)."""
    source = folder_with('aaa.txt')
    cab = at('c%d.cab' % len(os.listdir(work)))
    subprocess.run(['gcab', '-c', '-z', cab, 'aaa.txt'], cwd=source, check=True)
    data = open(cab, 'rb').read()
    return write(cab, data.replace(b'aaa.txt', name if isinstance(name, bytes) else name.encode()))


def patched(path, offset, value):
    data = bytearray(open(path, 'rb').read())
    offset %= len(data)  # from the end when negative
    data[offset:offset + len(value)] = value
    return write(path + '.patched', bytes(data))


def xm_parts(xm):
    """Where a real XM's first pattern, first instrument and first sample's data start."""
    number = lambda at, size: int.from_bytes(xm[at:at + size], 'little')  # noqa: E731
    at = 60 + number(60, 4)
    first_pattern = at
    for _ in range(number(70, 2)):
        at += max(number(at, 4), 9) + number(at + 7, 2)
    samples = number(at + 27, 2)
    return first_pattern, at, at + number(at, 4) + 40 * samples


real_song = open(os.path.join(os.path.dirname(readme), 'assets/music/song.xm'), 'rb').read()
first_pattern, first_instrument, first_sample_data = xm_parts(real_song)
song_cut_at = lambda name, end: write(at(name), real_song[:end])  # noqa: E731
silent_song = bytearray(real_song[:first_instrument])
silent_song[72:74] = b'\0\0'  # no instruments

def png_of_size(name, width, height):
    """A whole PNG whose header gives this size, with one row of data."""
    chunk = lambda kind, data: struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))  # noqa: E731
    header = struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)
    return write(at(name), b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(b'\0' * 4))
                 + chunk(b'IEND', b''))


def data_blocks(path):
    """The blocks of an installer's data section, by entry number."""
    installer = open(path, 'rb').read()
    start = pefile.PE(data=installer).sections[-1].PointerToRawData
    count, = struct.unpack_from('<I', installer, start + 8)
    return [installer[start + at:start + at + size]
            for at, size in (struct.unpack_from('<II', installer, start + 12 + 8 * i) for i in range(count))]


def version_information(path):
    """The version resource's texts and its numeric file and product versions, as pefile reads them."""
    image = pefile.PE(path)
    texts = {}
    for info in [entry for group in getattr(image, 'FileInfo', []) for entry in (group if isinstance(group, list) else [group])]:
        for table in getattr(info, 'StringTable', []):
            texts.update({key.decode(): value.decode() for key, value in table.entries.items()})
    fixed = image.VS_FIXEDFILEINFO[0] if hasattr(image, 'VS_FIXEDFILEINFO') else None
    numbers = (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS) if fixed else None
    return texts, numbers


def cut_short(name, picture, keep):
    return write(at(name), open(picture, 'rb').read()[:keep])


background = convert('-size', '416x180', 'plasma:', at('background.jpg'))
button = convert('-size', '80x20', 'xc:navy', at('button.jpg'))
three_buttons = ','.join([button] * 3)
cut = write(at('cut.jpg'), open(background, 'rb').read()[:2000])
gif = convert('-size', '120x40', 'plasma:', at('button.gif'))
bmp = convert('-size', '120x40', 'plasma:', at('button.bmp'))
good = ['--payload', payload]

# Each row: what it shows, the arguments (-o comes first), the word the message must contain.
refusals = [
    ('no arguments', [], '--payload'),
    ('an unknown option', good + ['--bogus'], '--bogus'),
    ('a stray argument', good + ['stray'], 'stray'),
    ('an option without its value', good + ['--song'], '--song'),
    ('an option twice', good + ['--folder', 'A', '--folder', 'B'], '--folder'),
    ('payload and cabinet', good + ['--cabinet', cabinet_of('bbb.txt')], '--cabinet'),
    ('credits twice over', good + ['--credits', 'x', '--credits-file', at('payload/readme.txt')], '--credits-file'),
    ('cp437 without info', good + ['--info-cp437'], '--info-cp437'),
    ('an unknown compression', good + ['--compression', 'zip'], 'zip'),
    ('an LZX window out of range', good + ['--compression', 'lzx:22'], 'lzx:22'),
    ('a compression for a whole cabinet', ['--cabinet', cabinet_of('bbb.txt'), '--compression', 'none'], '--compression'),
    ('a missing payload folder', ['--payload', at('nowhere')], 'nowhere'),
    ('a payload without files', ['--payload', folder_with()], '--payload'),
    ('a symbolic link', ['--payload', folder_with('a.txt', link='passwd')], 'passwd'),
    # Wine shows zav-pack.exe a Linux name that is no UTF-8 with U+FFFD for each such byte.
    ('a name that is no UTF-8', ['--payload', folder_with(os.fsdecode(b'Gr\xfc\xdfe.txt'))],
     shown('Gr\\xFC\\xDFe.txt', 'Gr\\uFFFD\\uFFFDe.txt')),
    ('names differing in case', ['--payload', folder_with('a.txt', 'A.TXT')], 'case'),
    ('names differing in case in another script', ['--payload', folder_with('\u00c4rger', '\u00e4rger')], 'case'),
    ('a file where a folder must be', ['--payload', folder_with('data', 'DATA/x')], 'folder'),
    ('a device name', ['--payload', folder_with('lpt1.txt')], 'lpt1.txt'),
    ('a trailing dot', ['--payload', folder_with('notes.')], 'notes.'),
    ('a backslash in a name', ['--payload', folder_with('a\\b.txt')], 'a\\b.txt'),
    ('a FIFO', ['--payload', folder_of_special('fifo')], 'pipe'),
    ('too many files', ['--payload', folder_of_special('files')], '65,536 files'),
    ('too many bytes', ['--payload', folder_of_special('bytes')], '2,147,450,881 bytes'),
    ('a name too long', ['--payload', folder_with('d/' * 128 + 'f.txt')], '261 characters'),
    ('a name too long in UTF-8', ['--payload', folder_with('\u00dc' * 127 + '/\u00e9')], '257 bytes'),
    ('not a cabinet', ['--cabinet', at('payload/readme.txt')], 'MSCF'),
    ('a cabinet continued in another', ['--cabinet', patched(cabinet_of('bbb.txt'), 30, b'\x02')], 'another cabinet'),
    ('a cabinet cut short', ['--cabinet', write(at('short.cab'), open(cabinet_of('bbb.txt'), 'rb').read()[:60])], 'cut short'),
    ('a cabinet whose data is damaged', ['--cabinet', patched(cabinet_of('bbb.txt'), -2, b'\xff\xff')], 'cannot be extracted'),
    ('a cabinet with an unsafe name', ['--cabinet', cabinet_of('CON.txt')], 'CON.txt'),
    ('a cabinet leaving its folder', ['--cabinet', cabinet_of('..\\a.tx')], '..\\a.tx'),
    ('a cabinet with a name in a code page', ['--cabinet', cabinet_of(b'caf\xe9.tx')], 'caf\\xE9.tx'),
    ('a song that is no XM module', good + ['--song', at('payload/readme.txt')], 'not an XM module'),
    ('a missing song', good + ['--song', at('none.xm')], 'none.xm'),
    ('a song cut in its patterns', good + ['--song', song_cut_at('p.xm', first_pattern + 20)], 'ends inside pattern 1'),
    ('a song cut in its instruments', good + ['--song', song_cut_at('i.xm', first_instrument + 20)], 'instrument 1'),
    ('a song cut in its samples', good + ['--song', song_cut_at('s.xm', first_sample_data + 20)], 'sample 1 of instrument 1'),
    ('a song without samples', good + ['--song', write(at('silent.xm'), bytes(silent_song))], 'no sample data'),
    ('a song of random bytes', good + ['--song', write(at('random.xm'), real_song[:60] + random.Random(17).randbytes(4000))], 'its header gives'),
    ('a song too fast', good + ['--song', write(at('fast.xm'), real_song[:78] + b'\xe8\x03' + real_song[80:])], '1,000 BPM'),
    ('a TIFF background', good + ['--background', convert('-size', '416x180', 'xc:red', at('bg.tif'))], 'TIFF'),
    ('a damaged background', good + ['--background', cut], 'damaged'),
    ('a JPEG of another size cut short', good + ['--background', cut_short('cut-small.jpg', convert(
        background, '-resize', '400x180!', at('small.jpg')), 2000)], 'cut short'),
    ('a PNG cut short', good + ['--background', cut_short('cut.png', convert(background, at('bg.png')), 3000)], 'damaged'),
    ('a GIF cut short', good + ['--buttons', ','.join([button, cut_short('cut.gif', gif, 600), button])], 'cut short'),
    ('a BMP cut short', good + ['--buttons', ','.join([button, button, cut_short('cut.bmp', bmp, 5000)])], 'cut short'),
    ('a picture of no pixels', good + ['--background', png_of_size('empty.png', 0, 10)], '0 x 10'),
    ('a picture too wide', good + ['--background', png_of_size('wide.png', 16385, 1)], '16,384'),
    ('a PNG whose data is damaged', good + ['--background', write(at('noise.png'), open(png_of_size(
        'one.png', 4, 1), 'rb').read().replace(zlib.compress(b'\0' * 4), b'\x78\x9c' + b'\xff' * 10))], 'damaged'),
    ('two buttons', good + ['--buttons', button + ',' + button], '--buttons'),
    ('a way to fit that is none', good + ['--fit', 'fill'], '--fit fill'),
    ('a version of letters', good + ['--product', 'Acme', '--product-version', '1.x'], '--product-version'),
    ('a version part too large', good + ['--product', 'Acme', '--product-version', '1.65536'], '65535'),
    ('a version of five parts', good + ['--product', 'Acme', '--product-version', '1.2.3.4.5'], '--product-version'),
    ('a publisher without a product', good + ['--publisher', 'Acme Corp'], '--product'),
    ('a product with a control character', good + ['--product', 'Acme\u0007'], 'control character'),
    ('a product name too long', good + ['--product', 'p' * 115], '115 characters'),
    ('--version among packing options', good + ['--version'], '--version'),
    ('a file to start that the payload lacks', good + ['--run', 'bin/none.exe'], 'not a file of the payload'),
    ('a file to start outside the payload', good + ['--run', '../readme.txt'], '--run ../readme.txt'),
    ('credits too long', good + ['--credits', 'c' * 199], '199'),
    ('credits with a tab', good + ['--credits', 'a\tb'], '--credits'),
    ('credits of two lines', good + ['--credits-file', write(at('lines.txt'), 'one\ntwo\n')], 'column 4'),
    ('info with a euro sign', good + ['--info', write(at('euro.txt'), 'ok\rprice: 5 \u20ac\r\n')], 'line 2 column 10'),
    ('info with a tab', good + ['--info', write(at('tab.txt'), 'a\tb')], 'tab'),
    ('info too wide', good + ['--info', write(at('wide.txt'), 'w' * 80)], '79'),
    ('info not UTF-8', good + ['--info', write(at('latin1.txt'), b'caf\xe9')], 'UTF-8'),
    ('info too long', good + ['--info', write(at('long.txt'), ('x' * 70 + '\n') * 1000)], '65,536'),
    ('a folder path', good + ['--folder', 'a/b'], '--folder'),
    ('a device folder', good + ['--folder', 'CON'], 'CON'),
    ('a folder name too long', good + ['--folder', 'f' * 65], '65'),
    ('a folder name of 65 characters', good + ['--folder', '\u65e5' * 65], '65 characters'),
    ('a folder name that is no UTF-8', good + ['--folder', os.fsdecode(b'Caf\xe9')], shown('Caf\\xE9', 'Caf\\uDCE9')),
    ('a folder name with a control character', good + ['--folder', 'a\u0085b'], 'control character'),
    ('an icon that is none', good + ['--icon', at('payload/readme.txt')], '--icon'),
    ('texts with an unknown key', good + ['--texts', 'de=' + write(at('key.txt'), '# de\ninstaling = {percent}\n')], 'line 2: "instaling" is no key'),
    ('texts with a key twice', good + ['--texts', 'de=' + write(at('twice.txt'), 'error = a\r\nerror = b\r\n')], 'line 2: error is given twice'),
    ('a progress text without its percent', good + ['--texts', 'de=' + write(at('nopercent.txt'), 'installing = Installiere...')], '{percent}'),
    ('a browse prompt without its folder', good + ['--texts', 'de=' + write(at('nofolder.txt'), 'browse = Ordner w\u00e4hlen')], '{folder}'),
    ('a status text of 36 characters', good + ['--texts', 'ru=' + write(at('long-status.txt'), 'completed = ' + '\u0416' * 36)], '36 characters'),
    ('texts that are no UTF-8', good + ['--texts', 'de=' + write(at('latin1-texts.txt'), b'error = Fehl\xe9r')], 'line 1: is no UTF-8'),
    ('a language tag that is none', good + ['--texts', 'de_AT=' + at('key.txt')], '"de_AT" is no language tag'),
    ('a language given twice', good + ['--texts', 'de=' + at('twice.txt'), '--texts', 'DE=' + at('twice.txt')], 'DE is given twice'),
    ('everything at once', ['--payload', folder_with(), '--song', at('none.xm'), '--folder', 'CON'],
     ['--payload', '--song', '--folder']),
]

if under_wine:
    # Wine follows this machine's symbolic links as if they were the files they name and makes no
    # reparse points of its own (mklink fails), so zav-pack.exe cannot be shown one here.
    print('skipped under Wine: a symbolic link (Wine shows no reparse point)')
    refusals = [row for row in refusals if row[0] != 'a symbolic link']

existing = write(at('existing.exe'), 'keep me')
for what, arguments, words in refusals:
    out = at('out.exe')
    for output in (out, existing):
        result = run(['-o', output] + arguments)
        check(result.returncode == 2, '%s: exit %d, not 2\n%s' % (what, result.returncode, result.stderr))
        for word in words if isinstance(words, list) else [words]:
            check(word in result.stderr, '%s: %r not in the message\n%s' % (what, word, result.stderr))
    check(not os.path.exists(out), '%s: an output file was written' % what)
    left_alone(what, existing)
    # What a failing row left must not fail the rows after it.
    write(existing, 'keep me')
    for name in os.listdir(work):
        if name == 'out.exe' or 'zav-pack-' in name:
            os.remove(at(name))

# Pictures as they come: each is fitted to its place and written as a baseline JPEG, one line
# saying what was done; a button's transparent pixels show the background's there.
transparent = convert('-size', '160x40', 'xc:none', '-fill', 'red', '-draw', 'rectangle 60,10 99,29', at('ring.png'))
converted = run(good + ['--background', convert('-size', '800x600', 'gradient:navy-yellow', at('title.png')),
                        '--buttons', ','.join([transparent, gif, bmp]), '-o', at('converted.exe')])
check(converted.returncode == 0, 'pictures as they come: %s' % converted.stderr)
for line in ('--background %s: 800 x 600 PNG scaled to 416 x 312 and 66 rows cut top and bottom' % at('title.png'),
             '--buttons %s: 160 x 40 PNG scaled to 80 x 20, its transparent pixels showing the background' % transparent,
             '--buttons %s: 120 x 40 GIF scaled to 80 x 27 and 3 rows cut at the top and 4 at the bottom' % gif):
    check('zav-pack: ' + line in converted.stdout.splitlines(), 'no line %r in\n%s' % (line, converted.stdout))
if converted.returncode == 0:
    blocks = data_blocks(at('converted.exe'))
    pictures = [Image.open(io.BytesIO(blocks[entry])) for entry in range(1, 5)]
    check([(p.size, p.info.get('progressive', 0), p.mode) for p in pictures] ==
          [((416, 180), 0, 'RGB')] + [((80, 20), 0, 'RGB')] * 3, 'not baseline colour JPEGs of their places')
    # The install button's picture: red in its middle, the background's pixels around it.
    shown, behind = pictures[1].convert('RGB'), pictures[0].convert('RGB')
    check(all(abs(a - b) < 24 for a, b in zip(shown.getpixel((40, 10)), (255, 0, 0))), 'the button lost its red')
    check(all(abs(a - b) < 24 for a, b in zip(shown.getpixel((5, 10)), behind.getpixel((4 + 5, 139 + 10)))),
          'a transparent pixel does not show the background')
# Every flavour of JPEG is taken, and --fit contain borders the picture with black.
for flavour, more in (('progressive', ['-interlace', 'JPEG']), ('grey-scale', ['-colorspace', 'Gray']),
                      ('CMYK', ['-colorspace', 'CMYK'])):
    picture = convert(background, *more, at(flavour + '.jpg'))
    taken = run(good + ['--background', picture, '-o', at('flavour.exe')])
    check(taken.returncode == 0 and '416 x 180 %s JPEG written as a baseline JPEG' % flavour in taken.stdout,
          '%s JPEG: %s%s' % (flavour, taken.stdout, taken.stderr))
contained = run(good + ['--fit', 'contain', '--background', at('title.png'), '-o', at('contained.exe')])
check('800 x 600 PNG scaled to 240 x 180 with 88 columns of black left and right' in contained.stdout,
      '--fit contain: ' + contained.stdout + contained.stderr)

# The success path.
product = ['--product', 'Acme Rocket \u03a9mega', '--product-version', '1.2.3.4', '--publisher', 'Acme Corp',
           '--copyright', '\u00a9 2026 Acme Corp', '--run', 'readme.txt', '--open-folder',
           '--texts', 'ru=' + write(at('ru.txt'), '\ufeffcompleted = \u0413\u043e\u0442\u043e\u0432\u043e\r\n'),
           '--texts', 'default=' + write(at('default.txt'), 'error = Oops\n')]
full = good + product + ['--folder', 'My Game \u03a9\u03bc\u03ad\u03b3\u03b1 \U0001f3ae', '--song', at('song.xm'), '--background', background,
               '--buttons', three_buttons, '--credits=made by me', '--info',
               write(at('info.txt'), '\u2554\u2550\u2557 info \u2588\u2591\n')]
shutil.copy(os.path.join(os.path.dirname(readme), 'assets/music/song.xm'), at('song.xm'))
first = run(full + ['-o', at('one.exe')], env=dict(SOURCE_DATE_EPOCH='1700000000'))
check(first.returncode == 0 and os.path.exists(at('one.exe')), 'success: %s' % first.stderr)
installer = open(at('one.exe'), 'rb').read() if os.path.exists(at('one.exe')) else b''
check('My Game \u03a9\u03bc\u03ad\u03b3\u03b1 \U0001f3ae\0'.encode() in installer and
      open(at('song.xm'), 'rb').read() in installer, 'the data is not in the installer')
# Each build (libgcab, FCI) stores a name outside ASCII in UTF-8 and marks it so (0x80 in the
# attributes before it).
name_at = installer.find('\u00dcbung\\\u8aac\u660e\u66f8.txt\0'.encode())
check(name_at > 0 and installer[name_at - 2] & 0x80, 'a name outside ASCII is not stored as marked UTF-8')
# As independent tools read the streamed installer: its checksum (pefile), and its cabinet,
# the first block of the data section, unpacked by cabextract into the payload's files.
image = pefile.PE(data=installer)
check(checksum_right(image), "the installer's checksum is wrong")
section = image.sections[-1].PointerToRawData
cabinet_at, cabinet_size = struct.unpack_from('<II', installer, section + 12)
check(unpacked(installer[section + cabinet_at:section + cabinet_at + cabinet_size]) == tree(payload),
      "the installer's cabinet does not unpack into the payload's files")
# By default every folder is LZX with a window of 2^21 (its first folder's compression field).
check(installer[section + cabinet_at + 42:section + cabinet_at + 44] == b'\x03\x15', 'the cabinet is not LZX:21')
# Both builds write LZX and stored cabinets with the same code: the same installer, byte for byte.
if under_wine:
    # One file name in two folders: the version information carries the installer's name.
    for folder in ('windows', 'linux'):
        os.makedirs(at(folder), exist_ok=True)
    windows_out, linux_out = at('windows/same.exe'), at('linux/same.exe')
    for method in ([], ['--compression', 'none'], ['--compression', 'lzx:15']):
        windows_made = run(full + method + ['-o', windows_out], env=dict(SOURCE_DATE_EPOCH='1700000000'))
        subprocess.run([linux_zav_pack, *full, *method, '-o', linux_out], capture_output=True,
                       env=dict(os.environ, SOURCE_DATE_EPOCH='1700000000'))
        check(windows_made.returncode == 0 and open(windows_out, 'rb').read() == open(linux_out, 'rb').read(),
              '%s: the two builds made different installers\n%s' % (method, windows_made.stderr))
    # zav-pack.exe reads every cabinet back through the platform's FDI: the LZX edges, each
    # window, and more than one folder of real programs (over 32 MB), all come out whole.
    edges = folder_with('empty', 'one', 'zeros', 'noise', 'calls')
    write(os.path.join(edges, 'empty'), b'')
    write(os.path.join(edges, 'one'), b'\x01')
    write(os.path.join(edges, 'zeros'), bytes(300000))
    write(os.path.join(edges, 'noise'), random.Random(5).randbytes(100001))
    write(os.path.join(edges, 'calls'), b''.join(random.Random(6).randbytes(32757) + b'\xe8' * 11 for _ in range(4)))
    for method in ('lzx:15', 'lzx:16', 'lzx:17', 'lzx:18', 'lzx:19', 'lzx:20', 'lzx', 'none'):
        made = run(['--payload', edges, '--compression', method, '-o', at('edges.exe')])
        check(made.returncode == 0, 'the edges with %s did not come back out through FDI: %s' % (method, made.stderr))
    tiny = folder_with('one')
    write(os.path.join(tiny, 'one'), b'\xe8')
    made = run(['--payload', tiny, '-o', at('tiny.exe')])
    check(made.returncode == 0, 'a one-byte payload did not come back out through FDI: %s' % made.stderr)
    programs = folder_with()
    dlls = '/usr/lib/x86_64-linux-gnu/wine/x86_64-windows'
    for name in ('kernelbase.dll', 'shell32.dll', 'msxml3.dll', 'user32.dll', 'ntdll.dll'):
        shutil.copy(os.path.join(dlls, name), programs)  # Wine's own, there wherever Wine is
    made = run(['--payload', programs, '-o', at('programs.exe')])
    check(made.returncode == 0, 'programs in two folders did not come back out through FDI: %s' % made.stderr)
check('channels' in first.stdout, 'success: no song summary\n' + first.stdout)
# The product's name as the window's title, and in the version information with the rest; without
# --product the installer names the project, as it always did.
if first.returncode == 0:
    texts = b'ru\0\0' + '\u0413\u043e\u0442\u043e\u0432\u043e'.encode() + b'\0Oops\0\0\0\0\0default\0\0\0Oops' + b'\0' * 6
    check(data_blocks(at('one.exe'))[9:] == ['Acme Rocket \u03a9mega Setup\0'.encode(), b'readme.txt\0', b'\1\0\0\0', texts],
          'the title, the file to start, the flags and the texts are not in the data')
    check(version_information(at('one.exe')) == (
        {'CompanyName': 'Acme Corp', 'FileDescription': 'Acme Rocket \u03a9mega Setup', 'FileVersion': '1.2.3.4',
         'LegalCopyright': '\u00a9 2026 Acme Corp', 'OriginalFilename': 'one.exe', 'ProductName': 'Acme Rocket \u03a9mega',
         'ProductVersion': '1.2.3.4'}, (0x10002, 0x30004, 0x10002, 0x30004)),
        'the version information: %r' % (version_information(at('one.exe')),))
os.utime(at('payload/readme.txt'), (1, 1))
# The installer names its own file in its version information, so the second goes to a file of
# the same name.
again = run(full + ['-o', write(at('again/one.exe'), '')], env=dict(SOURCE_DATE_EPOCH='1700000000'))
check(again.returncode == 0 and open(at('one.exe'), 'rb').read() == open(at('again/one.exe'), 'rb').read(),
      'the same inputs and SOURCE_DATE_EPOCH gave other bytes')
later = run(full + ['-o', at('two.exe')], env=dict(SOURCE_DATE_EPOCH='1800000000'))
check(later.returncode == 0 and open(at('one.exe'), 'rb').read() != open(at('two.exe'), 'rb').read(),
      'SOURCE_DATE_EPOCH was not honoured')
# An icon of three sizes: every image of it in the installer, the checksum right.
icon = convert('-size', '48x48', 'plasma:', '-define', 'icon:auto-resize=48,32,16', at('icon.ico'))
iconed = run(good + ['--icon', icon, '-o', at('iconed.exe')])
ico = open(icon, 'rb').read()
images = [ico[start:start + size] for size, start in (struct.unpack_from('<II', ico, 6 + 16 * i + 8) for i in range(ico[4]))]
installer = open(at('iconed.exe'), 'rb').read() if iconed.returncode == 0 else b''
check(len(images) == 3 and all(image in installer for image in images), '--icon: not every image is in the installer')
check(installer and checksum_right(pefile.PE(data=installer)), "--icon: the installer's checksum is wrong\n" + iconed.stderr)
check(installer and version_information(at('iconed.exe'))[0] == {
    'FileDescription': 'ZAV Installer', 'OriginalFilename': 'iconed.exe', 'ProductName': 'ZAV Installer'} and
    data_blocks(at('iconed.exe'))[9:] == [b'ZAV Installer\0', b'', b'', b''], 'without --product: %r' % (version_information(at('iconed.exe')),))
unwritable = run(good + ['-o', at('no/such/folder/out.exe')])
check(unwritable.returncode == 1 and '-o' in unwritable.stderr, 'a failed write: %s' % unwritable.stderr)

# The progress line: on a terminal, rewritten in place through each phase and wiped at the end;
# not with --quiet, and not when standard error is redirected (every run above). Under Wine the
# terminal stands in for a console, which Wine draws on it with escape sequences of its own.
import pty
import re
import threading

def on_terminal(arguments):
    leader, follower = pty.openpty()
    seen = []
    reader = threading.Thread(target=lambda: seen.extend(iter(lambda: read_some(leader), b'')))
    reader.start()
    done = subprocess.run([*launcher, *arguments], stdout=subprocess.PIPE, stderr=follower, env=environment, timeout=300)
    os.close(follower)
    reader.join(timeout=30)
    os.close(leader)
    return done, re.sub(r'\x1b\[[0-9;?]*[A-Za-z]', '', b''.join(seen).decode(errors='replace'))

def read_some(leader):
    try:
        return os.read(leader, 65536)
    except OSError:  # the terminal's other end is closed
        return b''

shown_run, line = on_terminal(good + ['-o', at('shown.exe')])
check(shown_run.returncode == 0 and all(phase in line for phase in ('checking...', 'compressing: ', 'reading back: ', ' files, ', ' MB, ')),
      'no progress line on a terminal: %r' % line)
check(line.endswith('\r') and 'wrote' in shown_run.stdout.decode(), 'the progress line is not wiped at the end: %r' % line[-200:])
quiet_run, line = on_terminal(good + ['--quiet', '-o', at('quiet.exe')])
check(quiet_run.returncode == 0 and 'compressing' not in line, '--quiet: a progress line: %r' % line)
check('compressing' not in run(good + ['-o', at('redirected.exe')]).stderr, 'a progress line while redirected')

# A cabinet given whole, with a name outside ASCII marked UTF-8, stored without compression so
# that it is copied in more than one piece: the installer carries it byte for byte.
whole = folder_with('\u00c4rger \u65e5\u672c.bin')
write(os.path.join(whole, '\u00c4rger \u65e5\u672c.bin'), os.urandom(1536 * 1024))
subprocess.run(['gcab', '-c', at('whole.cab'), '\u00c4rger \u65e5\u672c.bin'], cwd=whole, check=True)
# With the shared test data, a cabinet of MSZIP, LZX and Quantum folders too.
shared = os.path.normpath(os.path.join(os.path.dirname(readme), '..', 'shared', 'testdata', 'cabinets', 'mszip_lzx_qtm.cab'))
cabinets = [at('whole.cab')] + ([shared] if os.path.exists(shared) else [])
for cab in cabinets:
    copied = run(['--cabinet', cab, '-o', at('copied.exe')])
    check(copied.returncode == 0 and open(cab, 'rb').read() in open(at('copied.exe'), 'rb').read(),
          '--cabinet %s: not carried as it is\n%s' % (os.path.basename(cab), copied.stderr))

# A write that fails or is interrupted midway leaves no temporary file, and an existing output
# as it was: on a disk too small for the installer (root mounts one), and at Ctrl+C while a
# gigabyte of zeros (a sparse file) is packed.
small = at('small disk')
os.makedirs(small)
if subprocess.run(['mount', '-t', 'tmpfs', '-o', 'size=1m', 'tmpfs', small], capture_output=True).returncode == 0:
    atexit.register(subprocess.run, ['umount', small])
    full_disk = run(good + ['-o', write(os.path.join(small, 'out.exe'), 'keep me')])
    check(full_disk.returncode == 1 and '-o' in full_disk.stderr, 'a full disk: %s' % full_disk.stderr)
    left_alone('a full disk', os.path.join(small, 'out.exe'))
else:
    print('skipped: a full disk (no small file system can be mounted here: it needs root and tmpfs)')
zeros = folder_with()
with open(os.path.join(zeros, 'zeros.bin'), 'wb') as f:
    f.truncate(1 << 30)
existing = write(at('existing.exe'), 'keep me')
packing = subprocess.Popen([*launcher, '--payload', zeros, '-o', existing], env=environment,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
if wait_for(lambda: any('zav-pack-' in name for name in os.listdir(work)), 60):
    packing.send_signal(signal.SIGINT)
check(packing.wait(timeout=120) != 0, 'Ctrl+C: the exit code says success')
left_alone('Ctrl+C', existing)

# --help says what the author's guide shows under "Every option".
help_text = run(['--help']).stdout
guide = open(os.path.join(os.path.dirname(readme), 'docs', 'zav-pack.md')).read()
section = guide.split('\n## Every option\n')[-1].split('\n## ')[0]
check(help_text in section.replace('```text\n', ''), '--help differs from docs/zav-pack.md, "Every option"')
check(run(['--version']).returncode == 0, '--version')

for failure in failures:
    print('FAIL:', failure)
print('%d passed, %d failed' % (checks[0] - len(failures), len(failures)))
sys.exit(1 if failures else 0)
