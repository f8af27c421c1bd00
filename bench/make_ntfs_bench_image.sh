#!/usr/bin/env bash
# Builds the file table benchmark's NTFS image: 200,000 files in 200
# directories, one in ten with two clusters of data, written through an
# ntfs-3g FUSE mount (root, or a user allowed to mount with FUSE).
#   make_ntfs_bench_image.sh IMAGE
# Takes a few minutes; `make bench-image` runs it once per build tree.
set -Eeuo pipefail

image=$1
work=$(mktemp -d)
mnt=$work/mnt
mkdir -p "$mnt"
cleanup() {
    mountpoint -q "$mnt" && umount "$mnt"
    rm -rf "$work"
}
trap cleanup EXIT

rm -f "$image"
truncate -s 1G "$image.tmp"
mkntfs -F -Q -q -c 4096 -L bench "$image.tmp" 2>/dev/null
ntfs-3g -o big_writes "$image.tmp" "$mnt"
python3 - "$mnt" <<'PY'
import os, sys
root = sys.argv[1]
data = b"d" * 8192
for d in range(200):
    directory = os.path.join(root, "dir%03d" % d)
    os.mkdir(directory)
    for f in range(1000):
        fd = os.open(os.path.join(directory, "file%04d.txt" % f), os.O_WRONLY | os.O_CREAT, 0o644)
        if f % 10 == 0:
            os.write(fd, data)
        os.close(fd)
PY
umount "$mnt"
mv "$image.tmp" "$image"
