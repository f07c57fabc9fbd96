#!/usr/bin/env bash
# Side-by-side timing of tessary-batch, ImageMagick and libvips on the same
# uncompressed images: BMP for tessary-batch, PPM/PGM for ImageMagick, the
# .v format for libvips; and `cat` copying the BMP, as the floor of a load
# and save, beside `hold` (hold_copy.c), the floor of a program that holds
# the image in its own memory and saves it safely.
#
# Every command runs once unmeasured, then --repeat times (default 5); the
# table shows the median wall time and the median peak resident memory. All
# tools run on --threads threads (default 1; 0 leaves each tool its own
# default, all cores). The
# load+save row is a plain load and save; every operation row shows the
# whole command and, in brackets, the command less the same tool's load
# and save, which is the operation alone.
#
# Usage: bench/compare/compare.sh [--batch PATH] [--work DIR]
#            [--images "4000x3000:rgb 10000x10000:rgb 4000x3000:grey"]
#            [--ops "invert flip box3 ..."] [--repeat N] [--threads N]
#            [--no-magick]   (ImageMagick's median of 100 MP takes minutes)
# Needs /usr/bin/convert (ImageMagick), vips, /usr/bin/time
# (bench/compare/install.sh) and a C compiler (cc).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
batch="$root/build/bin/tessary-batch"
work="${TMPDIR:-/tmp}/tessary-compare"
images="4000x3000:rgb 10000x10000:rgb 4000x3000:grey"
ops="invert flip box3 box9 median3 rot90 scale50 scale200"
repeat=5
threads=1
magick=1

while [ $# -gt 0 ]; do
  case "$1" in
    --batch) batch="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --images) images="$2"; shift 2 ;;
    --ops) ops="$2"; shift 2 ;;
    --repeat) repeat="$2"; shift 2 ;;
    --threads) threads="$2"; shift 2 ;;
    --no-magick) magick=0; shift ;;
    -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
    *) echo "compare.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
done

convert=/usr/bin/convert  # another 'convert' may come first on PATH
for tool in "$batch" "$convert" "$(command -v vips || true)" /usr/bin/time; do
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
# The same number of threads everywhere, or each tool's default.
batch_threads=()
if [ "$threads" -gt 0 ]; then
  export MAGICK_THREAD_LIMIT="$threads" OMP_NUM_THREADS="$threads" VIPS_CONCURRENCY="$threads"
  if "$batch" --help 2>/dev/null | grep -q -- '--threads'; then batch_threads=(--threads "$threads"); fi
fi
thread_label="$threads thread(s)"
[ "$threads" -gt 0 ] || thread_label="each tool's default threads"
hold="$work/hold_copy"
cc -O2 -o "$hold" "$here/hold_copy.c"

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Runs the command $repeat times; prints "seconds MB", the medians of the
# wall time and of the peak resident memory.
measure() {
  local times="$work/times.txt" rss="$work/rss.txt"
  : > "$times"; : > "$rss"
  local start end
  # One run unmeasured first, so that every measured run finds the files
  # in the page cache and written back.
  "$@" >/dev/null 2>&1 || true
  for _ in $(seq "$repeat"); do
    start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o "$work/one.txt" "$@" >/dev/null 2>"$work/last-error.txt" || {
      echo "compare.sh: failed: $*" >&2; cat "$work/last-error.txt" >&2; return 1; }
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l >> "$times"
    tail -1 "$work/one.txt" >> "$rss"
  done
  printf '%.3f %d\n' "$(median < "$times")" "$(( $(median < "$rss" | cut -d. -f1) / 1024 ))"
}
minus() { # a - b, never below 0
  local d; d=$(echo "$1 - $2" | bc -l)
  if [ "$(echo "$d < 0" | bc -l)" = 1 ]; then d=0; fi
  printf '%.3f' "$d"
}

# The operation as each tool spells it.
tessary_op() {
  case "$1" in
    invert) echo invert ;;
    flip) echo flip-horizontal ;;
    box3) echo blur-sharpen=-1 ;;
    box9) echo blur-sharpen=-4 ;;
    median3) echo despeckle=1 ;;
    rot90) echo rotate-90 ;;
    scale50) echo scale=50%,50% ;;
    scale200) echo scale=200%,200% ;;
  esac
}
magick_op() {
  case "$1" in
    invert) echo "-negate" ;;
    flip) echo "-flop" ;;
    box3) echo "-morphology Convolve Square:1" ;;
    box9) echo "-morphology Convolve Square:4" ;;
    median3) echo "-statistic Median 3x3" ;;
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
    flip) echo "flip $in $out horizontal" ;;
    box3) echo "convsep $in $out $work/mask3.mat --precision integer" ;;
    box9) echo "convsep $in $out $work/mask9.mat --precision integer" ;;
    median3) echo "rank $in $out 3 3 4" ;;
    rot90) echo "rot $in $out d90" ;;
    scale50) echo "shrink $in $out 2 2" ;;
    scale200) echo "resize $in $out 2 --kernel linear" ;;
  esac
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

echo "$(date -u '+%Y-%m-%d %H:%M UTC'); load average $(cut -d' ' -f1-3 /proc/loadavg); median of $repeat runs, $thread_label"
printf '%-11s %-5s %-9s %16s %16s %16s %7s %7s %15s\n' \
  size kind op "tessary s" "magick s" "vips s" "cat s" "hold s" "peak MB t/m/v/c"
for image in $images; do
  size="${image%%:*}" kind="${image#*:}"
  make_images "$size"
  base="$work/img-$size-$kind"
  ppm="$base.ppm"; [ "$kind" = grey ] && ppm="$base.pgm"
  ext="${ppm##*.}"
  out="$work/out"
  read -r t_ls t_ls_mb < <(measure "$batch" "${batch_threads[@]}" "$base.bmp" -o "$out.bmp")
  m_ls=0 m_ls_mb=-
  if [ "$magick" = 1 ]; then read -r m_ls m_ls_mb < <(measure "$convert" "$ppm" "$out.$ext"); fi
  read -r v_ls v_ls_mb < <(measure vips copy "$base.v" "$out.v")
  read -r c_ls c_ls_mb < <(measure sh -c 'cat "$1" > "$2"' sh "$base.bmp" "$out-cat.bmp")
  read -r h_ls _ < <(measure "$hold" "$base.bmp" "$out-hold.bmp")
  printf '%-11s %-5s %-9s %16s %16s %16s %7s %7s %15s\n' "$size" "$kind" load+save \
    "$t_ls" "$m_ls" "$v_ls" "$c_ls" "$h_ls" "$t_ls_mb/$m_ls_mb/$v_ls_mb/$c_ls_mb"
  for op in $ops; do
    # shellcheck disable=SC2046
    read -r t t_mb < <(measure "$batch" "${batch_threads[@]}" "$base.bmp" "$(tessary_op "$op")" -o "$out.bmp")
    m=0 m_mb=-
    if [ "$magick" = 1 ]; then
      # shellcheck disable=SC2046
      read -r m m_mb < <(measure "$convert" "$ppm" $(magick_op "$op") "$out.$ext")
    fi
    # shellcheck disable=SC2046
    read -r v v_mb < <(measure vips $(vips_args "$op" "$base.v" "$out.v"))
    printf '%-11s %-5s %-9s %16s %16s %16s %7s %7s %15s\n' "$size" "$kind" "$op" \
      "$t ($(minus "$t" "$t_ls"))" "$m ($(minus "$m" "$m_ls"))" "$v ($(minus "$v" "$v_ls"))" "-" "-" \
      "$t_mb/$m_mb/$v_mb/-"
  done
  rm -f "$out".* "$out"-cat.bmp "$out"-hold.bmp
done
echo "Wall seconds of the whole command; in brackets less the same tool's load+save (the operation alone)."
echo "Peak MB: resident memory at its highest over the command (tessary/magick/vips/cat)."
