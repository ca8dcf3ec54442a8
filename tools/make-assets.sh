#!/usr/bin/env bash
# Draws the program's icon and credit picture into assets/. The results are committed; run this
# again only to change them. Needs ImageMagick and the Liberation fonts.
set -euo pipefail
usage() {
    cat <<'EOF'
Usage: tools/make-assets.sh
Draws the program's icon (assets/app.ico) and its credit picture at 100%, 150% and 200%
(assets/credit.jpg, credit-150.jpg, credit-200.jpg), replacing the committed ones. Needs
ImageMagick and the Liberation fonts (tools/install-deps.sh installs them).
EOF
}
case ${1:-} in -h | --help) usage; exit 0 ;; esac
[ $# -eq 0 ] || { usage >&2; exit 2; }
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The icon: a green "play" triangle on a black tile, with a bright bar that reads as a timeline
# stretched to its end.
convert -size 256x256 xc:none \
    -fill '#0b0b0b' -stroke '#1fd11f' -strokewidth 10 -draw 'roundrectangle 8,8 247,247 40,40' \
    -stroke none -fill '#22ee22' -draw 'polygon 84,56 84,168 184,112' \
    -fill '#1a1a1a' -draw 'roundrectangle 40,192 215,220 12,12' \
    -fill '#a8ffa8' -draw 'roundrectangle 40,192 215,220 12,12' \
    -fill '#0b0b0b' -draw 'rectangle 196,196 200,216' \
    "$work/icon-256.png"
for size in 16 48; do
    convert "$work/icon-256.png" -resize ${size}x${size} "$work/icon-$size.png"
done
# The 32 x 32 image is the classic 256-colour one.
convert "$work/icon-256.png" -resize 32x32 -background black -alpha remove -alpha off \
    -colors 256 -type Palette "BMP3:$work/icon-32.bmp"
convert "$work/icon-16.png" "$work/icon-32.bmp" "$work/icon-48.png" "$work/icon-256.png" \
    assets/app.ico

# The credit picture: 197 x 29 pixels, two short lines of light text on black; drawn again at
# 150% and 200% for screens at those scales, so that it is never blown up.
credit_picture() {  # scale percent, output file
    local scale=$1
    px() { echo $(( ($1 * scale + 50) / 100 )); }
    convert -size "$(px 197)x$(px 29)" xc:black -font Liberation-Sans \
        -pointsize "$(awk -v s="$scale" 'BEGIN { print 11 * s / 100 }')" \
        -fill '#e8e8e8' -gravity north -annotate "+0+$(px 1)" 'Vorlax Demo Fixer 1.0' \
        -fill '#b0ffb0' -annotate "+0+$(px 15)" 'made by players, for players' \
        -strip -quality 95 -sampling-factor 1x1 "$2"
}
credit_picture 100 assets/credit.jpg
credit_picture 150 assets/credit-150.jpg
credit_picture 200 assets/credit-200.jpg
