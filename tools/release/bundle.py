#!/usr/bin/python3
"""The release bundles of zav-pack, made reproducibly (fixed times, owners and order, so that the
same programs give the same bytes): zav-pack-VERSION-windows-x64.zip (zav-pack.exe and a short
README.txt with Windows line ends) and zav-pack-VERSION-linux-x64.tar.gz (zav-pack and the same
README.txt with Linux line ends).

    tools/release/bundle.py [--win build/win] [--native build/native] [--out build/release]
"""
import argparse
import gzip
import io
import os
import subprocess
import sys
import tarfile
import zipfile

# 2026-01-01 00:00 UTC.
RELEASE_TIME = 1767225600

README = """zav-pack {version}

zav-pack makes a Windows installer of your own files, with your own song, pictures and texts:
one program that shows your picture, plays your song (an XM module) and installs your files into
a folder that its user chooses. Every input you leave out is the project's own.

Example

    zav-pack --payload my-game --folder "My Game" --song theme.xm --background title.png \\
        --product "My Game" --product-version 1.0 --publisher "Me" \\
        --credits "My Game 1.0 - made by me - music by a friend" \\
        --texts de=texte-de.txt --run bin/game.exe \\
        -o my-game-setup.exe

makes my-game-setup.exe, titled "My Game Setup", which shows title.png, plays theme.xm, installs
every file of my-game into a folder "My Game" below the one its user chooses, and then starts
bin/game.exe there. texte-de.txt holds the installer's German texts as "key = text" lines.

Pictures come as they are (PNG, BMP, GIF or JPEG of any size) and are fitted to their places.
Every input is checked the way the installer will use it; every problem is named in one go and
nothing is written until there is none.

Options

  --payload DIR                 every file below DIR, sub-folders kept, is installed
  --cabinet FILE.cab            or: a cabinet made elsewhere, installed as it is
  --compression METHOD          lzx (the default, also lzx:15 .. lzx:21), mszip or none
  --folder NAME                 the folder created below the one the user chooses
  --song FILE.xm                the music, an XM module
  --background FILE             the picture, fitted to 416 x 180 pixels
  --buttons INSTALL,INFO,EXIT   the three buttons, fitted to 80 x 20 pixels each
  --fit cover|contain|stretch   how a picture of another shape is fitted (default cover)
  --credits TEXT                the scrolling line (or --credits-file FILE)
  --info FILE                   the info dialog's text in UTF-8 (--info-cp437: in code page 437)
  --icon FILE.ico               the icon that Explorer shows for the installer
  --product NAME                the window's title "NAME Setup" and the version information
  --product-version 1.2.3[.4]   the product's version, in the version information
  --publisher NAME              who makes it, in the version information
  --copyright TEXT              its copyright line, in the version information
  --texts LANG=FILE             the installer's texts in one language (de, pt-BR, ... or default)
  --run PATH                    a file of the payload to start after the install
  --open-folder                 open the installed folder after the install
  -o, --output OUT.exe          the installer to write; an existing one is replaced on success
  --quiet                       no progress line while packing
  --help, --version

Exit codes

  0  the installer was written
  1  writing failed; an existing output is left as it was
  2  bad input: one line for each problem (the input, what is wrong, how to fix it), and
     nothing written

The installer it makes takes /S /D=PATH for an install without a window, and ends with 0 when
every file was installed, 1 when the install failed, and 2 for a command line it cannot use.

zav-pack --help says more of each option. The full guide is docs/zav-pack.md in ZAV Installer's
sources.

{system}
"""
WINDOWS = """On Windows, zav-pack.exe is the one file: drop a folder on it in Explorer, and it makes
"<folder> Setup.exe" beside the folder with the project's own picture and song."""
LINUX = """On Linux, zav-pack needs Debian's (or Ubuntu's) libgcab-1.0-0, libmspack0 and libjpeg62-turbo:
    sudo apt install libgcab-1.0-0 libmspack0 libjpeg62-turbo"""


def version_of(native_zav_pack):
    out = subprocess.run([native_zav_pack, "--version"], capture_output=True, text=True, check=True).stdout
    return out.split()[1]


def zip_bundle(path, files):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as bundle:
        for name, data, mode in files:
            entry = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.external_attr = mode << 16
            entry.create_system = 3  # Unix, so that the mode above counts
            bundle.writestr(entry, data)


def tar_bundle(path, folder, files):
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.PAX_FORMAT) as bundle:
        for name, data, mode in files:
            entry = tarfile.TarInfo(f"{folder}/{name}")
            entry.size, entry.mode, entry.mtime = len(data), mode, RELEASE_TIME
            entry.uid = entry.gid = 0
            entry.uname = entry.gname = "root"
            bundle.addfile(entry, io.BytesIO(data))
    with open(path, "wb") as out, gzip.GzipFile(filename="", mode="wb", fileobj=out, mtime=RELEASE_TIME) as packed:
        packed.write(raw.getvalue())


def main():
    parser = argparse.ArgumentParser(description=__doc__.strip().splitlines()[0])
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser.add_argument("--win", default=os.path.join(root, "build", "win"))
    parser.add_argument("--native", default=os.path.join(root, "build", "native"))
    parser.add_argument("--out", default=os.path.join(root, "build", "release"))
    options = parser.parse_args()
    exe = os.path.join(options.win, "packer", "zav-pack.exe")
    native = os.path.join(options.native, "packer", "zav-pack")
    for program in (exe, native):
        if not os.path.isfile(program):
            sys.exit(f"bundle.py: no {program}; build both trees first (tools/setup/build.sh all)")
    version = version_of(native)
    os.makedirs(options.out, exist_ok=True)
    read = lambda path: open(path, "rb").read()  # noqa: E731
    windows_readme = README.format(version=version, system=WINDOWS).replace("\n", "\r\n").encode()
    linux_readme = README.format(version=version, system=LINUX).encode()
    zip_path = os.path.join(options.out, f"zav-pack-{version}-windows-x64.zip")
    zip_bundle(zip_path, [("zav-pack.exe", read(exe), 0o755), ("README.txt", windows_readme, 0o644)])
    tar_path = os.path.join(options.out, f"zav-pack-{version}-linux-x64.tar.gz")
    tar_bundle(tar_path, f"zav-pack-{version}", [("zav-pack", read(native), 0o755), ("README.txt", linux_readme, 0o644)])
    for path in (zip_path, tar_path):
        print(f"{path} ({os.path.getsize(path):,} bytes)")


if __name__ == "__main__":
    main()
