#!/usr/bin/env python3
"""Packs the demo's images and track files into one gzip-compressed file for the web page.

    pack_assets.py DEMO_DIR OUT_STEM PATH...

Each PATH (a file or a folder, relative to DEMO_DIR) is added with its path kept; folders add
their files in name order. Writes OUT_STEM.pack, the files' bytes one after another, and
OUT_STEM.json, the index the page reads (the archive is gzip data, named so that no server
labels it as a gzip-encoded transfer that the browser would unpack on its own):

    {"archive": "NAME.pack", "archiveBytes": N, "unpackedBytes": M,
     "files": [{"path": "assets/qrv.tga", "offset": 0, "size": 8294418}, ...]}

The page fetches the archive, unpacks it with the browser's DecompressionStream and writes each
file into the in-memory file system at its path, where the core's file code reads it. The TGA
images are mostly zero bytes: gzip takes the 25 MB down to about half a megabyte. The output is
the same for the same input (no time stamp in the gzip header).
"""
import gzip
import json
import os
import sys


def collect(demo_dir, paths):
    files = []
    for path in paths:
        full = os.path.join(demo_dir, path)
        if os.path.isdir(full):
            for name in sorted(os.listdir(full)):
                if os.path.isfile(os.path.join(full, name)):
                    files.append(f"{path}/{name}")
        elif os.path.isfile(full):
            files.append(path)
        else:
            raise FileNotFoundError(f"{full}: no such file or folder")
    return files


def pack(demo_dir, out_stem, paths, contents=None):
    """Writes the pack; `contents` maps a path to bytes that replace the file's (tests use it)."""
    contents = contents or {}
    index, blob = [], bytearray()
    for path in collect(demo_dir, paths):
        data = contents.get(path)
        if data is None:
            with open(os.path.join(demo_dir, path), "rb") as f:
                data = f.read()
        index.append({"path": path, "offset": len(blob), "size": len(data)})
        blob += data
    archive = out_stem + ".pack"
    packed = gzip.compress(bytes(blob), compresslevel=9, mtime=0)
    with open(archive, "wb") as f:
        f.write(packed)
    manifest = {
        "archive": os.path.basename(archive),
        "archiveBytes": len(packed),
        "unpackedBytes": len(blob),
        "files": index,
    }
    with open(out_stem + ".json", "w") as f:
        json.dump(manifest, f, indent=1)
        f.write("\n")
    return manifest


def main(argv):
    if len(argv) < 4:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    try:
        manifest = pack(argv[1], argv[2], argv[3:])
    except OSError as error:
        print(f"pack_assets: {error}", file=sys.stderr)
        return 1
    print(f"pack_assets: {len(manifest['files'])} files, {manifest['unpackedBytes']} bytes "
          f"packed into {manifest['archiveBytes']}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
