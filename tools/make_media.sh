#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Generates the media test samples (tests/data/media) and the demo game's movies and sounds (demo/Data) with
# the ffmpeg command-line tool and tools/make_paletted_avi.py. The outputs are committed; the test run never
# needs this script. Usage: tools/make_media.sh [tests|demo]   (default: both)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
what="${1:-all}"
ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
# No version strings in the files, so that a rerun changes nothing.
exact=(-fflags +bitexact -flags:v +bitexact -flags:a +bitexact)

if [[ "$what" == all || "$what" == tests ]]; then
  out="$root/tests/data/media"
  mkdir -p "$out"
  # Movies: 10 frames at 10 fps (1 s) or 20 fps (0.5 s), each codec the tool can encode, two with sound.
  ff -f lavfi -i testsrc2=size=64x48:rate=10 -f lavfi -i sine=frequency=440:sample_rate=22050 -t 1 \
    -c:v cinepak -c:a pcm_s16le -ac 1 "${exact[@]}" "$out/cinepak_pcm.avi"
  ff -f lavfi -i testsrc2=size=64x48:rate=20 -f lavfi -i sine=frequency=660:sample_rate=22050 -t 0.5 \
    -c:v msvideo1 -c:a adpcm_ima_wav -ac 1 "${exact[@]}" "$out/msvideo1_ima.avi"
  ff -f lavfi -i testsrc2=size=32x24:rate=10 -frames:v 5 -c:v rawvideo -pix_fmt bgr24 "${exact[@]}" "$out/raw24.avi"
  ff -f lavfi -i testsrc2=size=32x24:rate=10 -frames:v 5 -c:v rawvideo -pix_fmt pal8 "${exact[@]}" "$out/pal8.avi"
  # Paletted samples with a palette change at frame 4, written by our own tool.
  python3 "$root/tools/make_paletted_avi.py" "$out/msrle_palette.avi" rle 32 24 8 10
  python3 "$root/tools/make_paletted_avi.py" "$out/raw8_palette.avi" raw 32 24 8 10
  # Sounds: half a second each.
  ff -f lavfi -i sine=frequency=440:sample_rate=11025 -t 0.5 -c:a pcm_u8 "${exact[@]}" "$out/u8_mono.wav"
  ff -f lavfi -i sine=frequency=440:sample_rate=22050 -t 0.5 -ac 2 -c:a pcm_s16le "${exact[@]}" "$out/s16_stereo.wav"
  ff -f lavfi -i sine=frequency=440:sample_rate=22050 -t 0.5 -c:a adpcm_ima_wav "${exact[@]}" "$out/ima_adpcm.wav"
  ff -f lavfi -i sine=frequency=440:sample_rate=22050 -t 0.5 -ac 2 -c:a adpcm_ms "${exact[@]}" "$out/ms_adpcm.wav"
  # MP3 in a wave file at a variable rate (a tone in noise), whose header cannot tell its length.
  ff -f lavfi -i sine=frequency=330:sample_rate=22050:duration=0.7 -f lavfi -i anoisesrc=d=0.7:c=pink:r=22050:a=0.3:seed=7 \
    -filter_complex amix=inputs=2 -c:a libmp3lame -q:a 6 -ac 1 "${exact[@]}" "$out/mp3_vbr.wav"
fi

if [[ "$what" == all || "$what" == demo ]]; then
  out="$root/demo/Data"
  mkdir -p "$out"
  font=/usr/share/fonts/truetype/horai-umefont/ume-tgs4.ttf
  # The logo: the engine's name fading in and out on deep blue, 2 s.
  ff -f lavfi -i "color=c=0x101848:size=320x240:rate=6:duration=2" \
    -vf "drawtext=fontfile=$font:text=ORBEL:fontsize=56:fontcolor=0xE8D890:x=(w-tw)/2:y=(h-th)/2-10,\
drawtext=fontfile=$font:text=presents:fontsize=18:fontcolor=0x9098C0:x=(w-tw)/2:y=h/2+30,\
fade=in:st=0:d=0.6,fade=out:st=1.4:d=0.6" \
    -c:v cinepak "${exact[@]}" "$out/LOGO01.AVI"
  # The fallback script's movie, played by content whatever its extension.
  ff -f lavfi -i "mandelbrot=size=160x112:rate=6:end_scale=0.05" -t 2.5 -c:v cinepak -f avi "${exact[@]}" "$out/demo.dat"
  # The two movies of the movie test key.
  ff -f lavfi -i "life=size=120x88:rate=8:ratio=0.3:seed=7:mold=10" -t 1.25 -pix_fmt rgb555le \
    -c:v msvideo1 "${exact[@]}" "$out/M03.AVI"
  ff -f lavfi -i "cellauto=size=120x88:rate=8:rule=110:seed=3" -t 1.25 -c:v cinepak "${exact[@]}" "$out/M04.AVI"
  # A short movie with a sound track: a sweeping test pattern and a rising tone.
  ff -f lavfi -i testsrc2=size=144x104:rate=8 -f lavfi -i "aevalsrc=0.4*sin(2*PI*(300+200*t)*t):s=11025" -t 2 \
    -c:v cinepak -c:a pcm_u8 -ac 1 "${exact[@]}" "$out/M05.AVI"
  # Sounds: a chime, a click pair, a low knock.
  ff -f lavfi -i "aevalsrc=0.5*sin(2*PI*880*t)*exp(-6*t)+0.3*sin(2*PI*1320*t)*exp(-8*t):s=11025" -t 0.8 \
    -c:a pcm_u8 "${exact[@]}" "$out/SE01.WAV"
  ff -f lavfi -i "aevalsrc=0.6*sin(2*PI*2000*t)*exp(-60*mod(t\,0.15)):s=22050" -t 0.3 \
    -c:a pcm_s16le "${exact[@]}" "$out/SE02.WAV"
  ff -f lavfi -i "aevalsrc=0.8*sin(2*PI*110*t)*exp(-10*t):s=22050" -t 0.5 -c:a adpcm_ima_wav "${exact[@]}" "$out/SE03.WAV"
fi
