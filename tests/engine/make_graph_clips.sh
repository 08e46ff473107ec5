#!/usr/bin/env bash
# Writes the compressed clips of the graph tests with GStreamer's gst-launch-1.0 (package
# gstreamer1.0-tools) into the folder given as the only argument:
#   mjpeg.avi  20 frames of 64 x 48 at 20 a second, Motion JPEG at quality 100, the colour
#              bar test picture (white at the top left, dark blue at the bottom left);
#   sound.avi  the same picture with one second of a 440 Hz tone, 22050 Hz mono PCM;
#   tone.wav   the tone alone.
set -euo pipefail
out=$1
mkdir -p "$out"
command -v gst-launch-1.0 >/dev/null || { echo "gst-launch-1.0 is missing (gstreamer1.0-tools)" >&2; exit 1; }

video='videotestsrc num-buffers=20 pattern=smpte ! video/x-raw,width=64,height=48,framerate=20/1 ! jpegenc quality=100'
gst-launch-1.0 -q $video ! avimux ! filesink location="$out/mjpeg.avi.part"
gst-launch-1.0 -q avimux name=mux ! filesink location="$out/sound.avi.part" \
  $video ! mux. \
  audiotestsrc num-buffers=20 samplesperbuffer=1103 ! audio/x-raw,rate=22050,channels=1,format=S16LE ! mux.
gst-launch-1.0 -q audiotestsrc num-buffers=20 samplesperbuffer=1103 ! \
  audio/x-raw,rate=22050,channels=1,format=S16LE ! wavenc ! filesink location="$out/tone.wav.part"
mv "$out/mjpeg.avi.part" "$out/mjpeg.avi"
mv "$out/tone.wav.part" "$out/tone.wav"
mv "$out/sound.avi.part" "$out/sound.avi"
