#!/usr/bin/env bash
# Writes the face tests' portrait: a frontal photograph placed as a camera would show it,
# 180 x 180 in the middle of a 320 x 240 mid-grey frame, as a 24-bit BMP.
#   make_portrait.sh CONTRIB_SOURCE_TARBALL OUTPUT.bmp
# The photograph comes from OpenCV's contributed modules, whose Debian source package
# scripts/setup downloads: the 200 x 200 crop "arnie_30_30_200_200.jpg" of the face
# recognition tutorial, which states that the photograph (Wikimedia Commons,
# "Arnold_Schwarzenegger_edit(ws).jpg") is in the public domain; Debian ships the crop
# under OpenCV's licence (Apache-2.0 and BSD-3-Clause). Needs ImageMagick's convert.
set -euo pipefail
tarball=$1
out=$2
command -v convert >/dev/null || { echo "ImageMagick's convert is missing" >&2; exit 1; }
[ -f "$tarball" ] || { echo "no OpenCV contrib source tarball: run scripts/setup" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
tar -xJf "$tarball" -O --wildcards '*/gender_classification/arnie_30_30_200_200.jpg' >"$tmp/face.jpg"
[ -s "$tmp/face.jpg" ] || { echo "the portrait is not in $tarball" >&2; exit 1; }
convert "$tmp/face.jpg" -resize 180x180 -background '#808080' -gravity center -extent 320x240 \
  -type TrueColor BMP3:"$tmp/portrait.bmp"
mv "$tmp/portrait.bmp" "$out"
