#!/usr/bin/env bash
# Builds a small NTFS image with ntfs-3g's tools, for the file table tests:
#   make_ntfs_image.sh IMAGE
# leaves IMAGE, IMAGE.clusters (what ntfscluster says owns every cluster,
# the reference the tests compare with) and IMAGE.manifest (the record
# number of each file the tests look at, and facts ntfs-3g reports).
#
# Files are written through an ntfs-3g FUSE mount, so this needs root (or a
# user allowed to mount with FUSE). The image holds: fragmented files, a file
# in so many pieces that it needs an attribute list, a sparse file, a
# compressed file, alternate data streams, hard links, a file with a DOS
# short name, a deep tree, long and non-ASCII names, a directory large enough
# for an index allocation, and a deleted file whose record is free again.
set -Eeuo pipefail
trap 'echo "make_ntfs_image.sh: line $LINENO failed: $BASH_COMMAND" >&2' ERR

image=$1
work=$(mktemp -d)
mnt=$work/mnt
mkdir -p "$mnt"
cleanup() {
    mountpoint -q "$mnt" && umount "$mnt"
    rm -rf "$work"
}
trap cleanup EXIT

cluster=4096
rm -f "$image" "$image.clusters" "$image.manifest"
truncate -s 16M "$image.tmp"
mkntfs -F -Q -q -c $cluster -L filetable "$image.tmp" 2>/dev/null
ntfs-3g -o compression "$image.tmp" "$mnt"

fill() { head -c "$2" /dev/zero | tr '\0' "$3" >>"$1"; }
# FILE NAME VALUE: ntfs-3g's extended attributes, the value given in hex.
setxattr() { python3 -c 'import os,sys; os.setxattr(sys.argv[1], sys.argv[2], bytes.fromhex(sys.argv[3]))' "$@"; }
hex() { python3 -c 'import sys; print(sys.argv[1].encode().hex())' "$1"; }

mkdir -p "$mnt/docs" "$mnt/links" "$mnt/other" "$mnt/packed" "$mnt/bigdir" "$mnt/names"
fill "$mnt/docs/readme.txt" 100 r
fill "$mnt/docs/big.bin" 40000 b
fill "$mnt/links/original.txt" 9000 o
ln "$mnt/links/original.txt" "$mnt/other/hardlink.txt"
fill "$mnt/docs/streams.txt" 10 s
setxattr "$mnt/docs/streams.txt" user.notes "$(hex "$(head -c 9000 /dev/zero | tr '\0' n)")"
# Compression applies to files made in a directory marked compressed.
setxattr "$mnt/packed" system.ntfs_attrib_be 00000810
for i in $(seq 1 3000); do echo "a line of text that packs well, number $i"; done >"$mnt/packed/log.txt"
python3 -c 'f = open("'"$mnt"'/docs/sparse.bin", "wb"); f.seek(1 << 20); f.write(b"x" * 9000); f.seek(3 << 20); f.write(b"y" * 5000)'
fill "$mnt/names/LongFileNameWithDosTwin.txt" 5000 d
setxattr "$mnt/names/LongFileNameWithDosTwin.txt" system.ntfs_dos_name "$(hex 'LONGFI~1.TXT')"
fill "$mnt/names/naïve café.txt" 5000 c
fill "$mnt/names/日本語のファイル名.txt" 5000 j
fill "$mnt/names/🎉 confetti.txt" 5000 p
long=$(printf 'long%.0s' $(seq 1 60))
fill "$mnt/names/$long.txt" 5000 l
deep=$mnt/deep
for level in $(seq 1 12); do deep=$deep/level$level; done
mkdir -p "$deep"
fill "$deep/bottom.txt" 5000 z
for i in $(seq 1 300); do : >"$mnt/bigdir/entry-$(printf %03d "$i").txt"; done
fill "$mnt/gone.txt" 20000 g

# Fragments: one-cluster files side by side, the rest of the volume filled,
# then every other one-cluster file deleted, from the last one down, while
# the fragmented files grow by one cluster each time: each growth takes a
# cluster of its own, before the one it took last. (A growth that needs more
# room than one cluster fails and is left out.)
# Free records first: a file that outgrows its record needs another, and a
# full volume leaves no room for the table to grow.
mkdir -p "$mnt/fill" "$mnt/spare"
for i in $(seq 1 100); do : >"$mnt/spare/$i"; done
rm -r "$mnt/spare"
: >"$mnt/docs/fragmented-1.bin"
: >"$mnt/docs/fragmented-2.bin"
: >"$mnt/docs/fragmented-3.bin"
for i in $(seq 1 800); do fill "$mnt/fill/$i" $cluster f; done
dd if=/dev/zero of="$mnt/fill/rest" bs=64k status=none 2>/dev/null || true
dd if=/dev/zero of="$mnt/fill/rest" bs=$cluster oflag=append conv=notrunc status=none 2>/dev/null || true
for i in $(seq 799 -2 1); do
    rm "$mnt/fill/$i"
    case $(((i / 2) % 40)) in
    0) fill "$mnt/docs/fragmented-1.bin" $cluster 1 2>/dev/null || true ;;
    20) fill "$mnt/docs/fragmented-2.bin" $cluster 2 2>/dev/null || true ;;
    *) fill "$mnt/docs/fragmented-3.bin" $cluster 3 2>/dev/null || true ;;
    esac
done
rm -f "$mnt/fill/rest"
# A file in more pieces than one record can list: a cluster written, a
# cluster left out, 600 times over. ntfs-3g spreads its run list over
# extension records and gives it an attribute list.
python3 -c 'import sys
with open(sys.argv[1], "wb") as f:
    for i in range(600):
        f.seek(2 * i * 4096)
        f.write(b"m" * 4096)' "$mnt/docs/many-pieces.bin"

gone=$(stat -c %i "$mnt/gone.txt")
rm "$mnt/gone.txt"

{
    for path in docs/readme.txt docs/big.bin links/original.txt other/hardlink.txt docs/streams.txt \
        packed/log.txt docs/sparse.bin names/LongFileNameWithDosTwin.txt "names/naïve café.txt" \
        "names/日本語のファイル名.txt" "names/🎉 confetti.txt" "names/$long.txt" \
        "${deep#"$mnt"/}/bottom.txt" bigdir docs/fragmented-1.bin docs/fragmented-2.bin docs/fragmented-3.bin docs/many-pieces.bin; do
        echo "record $(stat -c %i "$mnt/$path") /$path"
    done
    echo "deleted $gone /gone.txt"
} >"$work/manifest"
umount "$mnt"

records_in_use=$(ntfscat -a 0xB0 "$image.tmp" '$MFT' | python3 -c 'import sys; print(sum(bin(b).count("1") for b in sys.stdin.buffer.read()))')
echo "in-use $records_in_use" >>"$work/manifest"
clusters=$(($(stat -c %s "$image.tmp") / cluster))
ntfscluster -v -c "0-$((clusters - 1))" "$image.tmp" >"$image.clusters.tmp" 2>/dev/null
# Whole outputs first: grep -q would stop reading early, and pipefail would
# take the writer's broken pipe for a failure.
many_pieces=$(ntfsinfo -F /docs/many-pieces.bin "$image.tmp")
fragmented=$(ntfscluster -F /docs/fragmented-1.bin "$image.tmp" 2>&1)
if [[ $many_pieces != *ATTRIBUTE_LIST* ]] ||
    [ "$(grep -cE '^ +[0-9]+ +[0-9]+ +[0-9]+$' <<<"$fragmented")" -lt 4 ]; then
    echo "make_ntfs_image.sh: ntfs-3g laid the files out in fewer pieces than the tests need" >&2
    exit 1
fi
mv "$work/manifest" "$image.manifest"
mv "$image.clusters.tmp" "$image.clusters"
mv "$image.tmp" "$image"
