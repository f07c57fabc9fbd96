#!/usr/bin/env bash
# Side-by-side timing of tessary-batch, ImageMagick and libvips on the same
# uncompressed images: BMP for tessary-batch, PPM/PGM for ImageMagick, the
# .v format for libvips.
#
# For every tool, image and operation the wall time of the whole command is
# measured, and the time of a plain load and save of the same image by the
# same tool is subtracted, so that the table shows the operation alone.
# tessary-batch also reports its own time of the operation (--time), shown
# in its own column. Each figure is the best of --repeat runs. The peak
# resident memory of one run of each command is shown beside them.
#
# Usage: bench/compare/compare.sh [--batch PATH] [--work DIR] [--sizes "4000x3000 ..."]
#            [--kinds "rgb grey"] [--ops "invert box3 ..."] [--repeat N]
# Needs /usr/bin/convert (ImageMagick) and vips (bench/compare/install.sh).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
batch="$root/build/bin/tessary-batch"
work="${TMPDIR:-/tmp}/tessary-compare"
sizes="4000x3000 10000x10000"
kinds="rgb grey"
ops="invert box3 box9 median3 flip rot90 scale50 scale200"
repeat=1

while [ $# -gt 0 ]; do
  case "$1" in
    --batch) batch="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --sizes) sizes="$2"; shift 2 ;;
    --kinds) kinds="$2"; shift 2 ;;
    --ops) ops="$2"; shift 2 ;;
    --repeat) repeat="$2"; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) echo "compare.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
done

convert=/usr/bin/convert  # another 'convert' may come first on PATH
for tool in "$batch" "$convert" "$(command -v vips || true)"; do
  if [ -z "$tool" ] || [ ! -x "$tool" ]; then
    echo "compare.sh: missing tool '${tool:-vips}' (build tessary-batch; run bench/compare/install.sh)" >&2
    exit 1
  fi
done
plugins="$(dirname "$batch")/QSStuff/Plugins"
if [ ! -d "$plugins" ]; then
  echo "compare.sh: no modules in $plugins (build the target tessary_modules)" >&2
  exit 1
fi

mkdir -p "$work"
# tessary-batch runs in a program folder of its own with the modules copied in.
program="$work/program"
mkdir -p "$program/QSStuff/Plugins"
cp -f "$plugins"/* "$program/QSStuff/Plugins/"
export TESSARY_PROGRAM_FOLDER="$program"
# ImageMagick's Debian policy stops at 128 megapixels and 256 MiB: lift it.
mkdir -p "$work/magick"
cat > "$work/magick/policy.xml" <<'POLICY'
<policymap>
  <policy domain="resource" name="memory" value="8GiB"/>
  <policy domain="resource" name="map" value="16GiB"/>
  <policy domain="resource" name="width" value="64KP"/>
  <policy domain="resource" name="height" value="64KP"/>
  <policy domain="resource" name="area" value="2GP"/>
  <policy domain="resource" name="disk" value="32GiB"/>
</policymap>
POLICY
export MAGICK_CONFIGURE_PATH="$work/magick"

now() { date +%s.%N; }
# Seconds of wall time of the command, best of $repeat runs.
best_wall() {
  local best="" start end t
  for _ in $(seq "$repeat"); do
    start=$(now)
    "$@" >/dev/null 2>"$work/last-error.txt" || {
      echo "compare.sh: failed: $*" >&2; cat "$work/last-error.txt" >&2; return 1; }
    end=$(now)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%.4f' "$best"
}
# The operation's own time as tessary-batch reports it with --time, best of
# $repeat runs.
best_internal() {
  local label="$1"; shift
  local best="" t
  for _ in $(seq "$repeat"); do
    t=$("$batch" --time "$@" | awk -v l="$label" '$1 == l { print $2 }')
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%.4f' "$best"
}
minus() { # a - b, never below 0
  local d; d=$(echo "$1 - $2" | bc -l)
  if [ "$(echo "$d < 0" | bc -l)" = 1 ]; then d=0; fi
  printf '%.4f' "$d"
}
ratio() { # a / b
  if [ "$(echo "$2 <= 0" | bc -l)" = 1 ]; then printf '%s' "-"; else printf '%.2f' "$(echo "$1 / $2" | bc -l)"; fi
}

# The operation as each tool spells it.
tessary_op() {
  case "$1" in
    invert) echo invert ;;
    box3) echo blur-sharpen=-1 ;;
    box9) echo blur-sharpen=-4 ;;
    median3) echo despeckle=1 ;;
    flip) echo flip-horizontal ;;
    rot90) echo rotate-90 ;;
    scale50) echo scale=50%,50% ;;
    scale200) echo scale=200%,200% ;;
  esac
}
magick_op() {
  case "$1" in
    invert) echo "-negate" ;;
    box3) echo "-morphology Convolve Square:1" ;;
    box9) echo "-morphology Convolve Square:4" ;;
    median3) echo "-statistic Median 3x3" ;;
    flip) echo "-flop" ;;
    rot90) echo "-rotate 90" ;;
    scale50) echo "-scale 50%" ;;
    scale200) echo "-filter Triangle -resize 200%" ;;
  esac
}
# The libvips arguments of $1 from $2 to $3 (paths without spaces).
vips_args() {
  local op="$1" in="$2" out="$3"
  case "$op" in
    invert) echo "invert $in $out" ;;
    box3) echo "convsep $in $out $work/mask3.mat --precision integer" ;;
    box9) echo "convsep $in $out $work/mask9.mat --precision integer" ;;
    median3) echo "rank $in $out 3 3 4" ;;
    flip) echo "flip $in $out horizontal" ;;
    rot90) echo "rot $in $out d90" ;;
    scale50) echo "shrink $in $out 2 2" ;;
    scale200) echo "resize $in $out 2 --kernel linear" ;;
  esac
}
# Peak resident memory of the command in MB (one run).
peak_mb() {
  /usr/bin/time -f %M -o "$work/rss.txt" "$@" >/dev/null 2>&1 || {
    echo "compare.sh: failed: $*" >&2; return 1; }
  echo $(( $(tail -1 "$work/rss.txt") / 1024 ))
}

# Separable box masks: one row of ones, scale = their count.
printf '3 1 3 0\n1 1 1\n' > "$work/mask3.mat"
printf '9 1 9 0\n1 1 1 1 1 1 1 1 1\n' > "$work/mask9.mat"

# Images: Gaussian noise around mid-grey (so the median and the blurs do
# real work), RGB as three independent bands, grey made by tessary-batch's
# own grayscale conversion, then written in each tool's format.
make_images() {
  local size="$1" w="${1%x*}" h="${1#*x}" base="$work/img-$1"
  if [ -f "$base-rgb.bmp" ] && [ -f "$base-grey.v" ]; then return; fi
  echo "generating $size images ..." >&2
  for band in r g b; do
    vips gaussnoise "$work/n-$band.v" "$w" "$h" --mean 128 --sigma 48
    vips cast "$work/n-$band.v" "$work/c-$band.v" uchar
  done
  vips bandjoin "$work/c-r.v $work/c-g.v $work/c-b.v" "$base-rgb.v"
  vips copy "$base-rgb.v" "$base-rgb.ppm"
  "$convert" "$base-rgb.ppm" -type TrueColor "BMP3:$base-rgb.bmp"
  "$batch" "$base-rgb.bmp" grayscale -o "$base-grey.bmp"
  "$convert" "$base-grey.bmp" -colorspace Gray "$base-grey.pgm"
  vips copy "$base-grey.pgm" "$base-grey.v"
  rm -f "$work"/n-?.v "$work"/c-?.v
}

printf '%-11s %-5s %-9s %-7s %10s %10s %10s %10s %9s %9s %17s\n' \
  size kind op threads tessary t-own magick vips magick/t vips/t "peak MB t/m/v"
for size in $sizes; do
  make_images "$size"
  for kind in $kinds; do
    base="$work/img-$size-$kind"
    ppm="$base.ppm"; [ "$kind" = grey ] && ppm="$base.pgm"
    ext="${ppm##*.}"
    out="$work/out"
    # Load and save alone, per tool and thread setting.
    t_noop=$(best_wall "$batch" "$base.bmp" -o "$out.bmp")
    declare -A m_noop v_noop
    m_noop[1]=$(MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 best_wall "$convert" "$ppm" "$out.$ext")
    m_noop[default]=$(best_wall "$convert" "$ppm" "$out.$ext")
    v_noop[1]=$(VIPS_CONCURRENCY=1 best_wall vips copy "$base.v" "$out.v")
    v_noop[default]=$(best_wall vips copy "$base.v" "$out.v")
    for op in $ops; do
      top=$(tessary_op "$op")
      t_wall=$(best_wall "$batch" "$base.bmp" "$top" -o "$out.bmp")
      t_op=$(minus "$t_wall" "$t_noop")
      t_own=$(best_internal "$top" "$base.bmp" "$top" -o "$out.bmp")
      for threads in 1 default; do
        if [ "$threads" = 1 ]; then
          # shellcheck disable=SC2046
          m_wall=$(MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 best_wall "$convert" "$ppm" $(magick_op "$op") "$out.$ext")
          # shellcheck disable=SC2046
          v_wall=$(VIPS_CONCURRENCY=1 best_wall vips $(vips_args "$op" "$base.v" "$out.v"))
        else
          # shellcheck disable=SC2046
          m_wall=$(best_wall "$convert" "$ppm" $(magick_op "$op") "$out.$ext")
          # shellcheck disable=SC2046
          v_wall=$(best_wall vips $(vips_args "$op" "$base.v" "$out.v"))
        fi
        m_op=$(minus "$m_wall" "${m_noop[$threads]}")
        v_op=$(minus "$v_wall" "${v_noop[$threads]}")
        peaks=""
        if [ "$threads" = 1 ]; then
          # shellcheck disable=SC2046
          peaks="$(peak_mb "$batch" "$base.bmp" "$top" -o "$out.bmp")/$(
            MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 peak_mb "$convert" "$ppm" $(magick_op "$op") "$out.$ext")/$(
            VIPS_CONCURRENCY=1 peak_mb vips $(vips_args "$op" "$base.v" "$out.v"))"
        fi
        printf '%-11s %-5s %-9s %-7s %10s %10s %10s %10s %9s %9s %17s\n' \
          "$size" "$kind" "$op" "$threads" "$t_op" "$t_own" "$m_op" "$v_op" \
          "$(ratio "$m_op" "$t_op")" "$(ratio "$v_op" "$t_op")" "$peaks"
      done
    done
    raw_mb=$(( $(stat -c %s "$base.v") / 1048576 ))
    noop_peaks="$(peak_mb "$batch" "$base.bmp" -o "$out.bmp")/$(
      MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 peak_mb "$convert" "$ppm" "$out.$ext")/$(
      VIPS_CONCURRENCY=1 peak_mb vips copy "$base.v" "$out.v")"
    printf '%-11s %-5s %-9s %-7s %10s %10s %10s %10s   (load and save alone, threads 1; peak MB t/m/v %s; raw image %s MB)\n' \
      "$size" "$kind" "load+save" "-" "$t_noop" "-" "${m_noop[1]}" "${v_noop[1]}" "$noop_peaks" "$raw_mb"
    rm -f "$out".*
  done
done
echo "Times in seconds, the load and save subtracted; t-own is tessary-batch's own --time figure."
echo "tessary-batch is single-threaded: its figures serve both thread rows."
echo "Peak MB: resident memory at its highest over the whole command (one run, 1 thread), load and save included."
