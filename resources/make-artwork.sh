#!/usr/bin/env bash
# Regenerates every skin image and icon of the installer from ImageMagick primitives.
#   resources/make-artwork.sh            writes resources/png/*.png and resources/*.ico
# The output is byte-for-byte stable between runs: no metadata, no dates, and the
# scattered decorations come from a fixed-seed generator instead of a random one.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
OUT=$HERE/png
FONT=${TANDREL_ART_FONT:-/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc}
W=455
H=325
[ -f "$FONT" ] || { echo "font not found: $FONT (package fonts-wqy-zenhei)" >&2; exit 1; }
command -v convert >/dev/null || { echo "ImageMagick's convert is missing" >&2; exit 1; }

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$OUT"
export MAGICK_THREAD_LIMIT=1  # the same bytes whatever the number of cores

# Only the chunks the decoder needs: a gAMA or sRGB chunk could make a decoder shift
# colours, and a date would make every run differ.
PNG_OPTS=(-strip -define png:exclude-chunks=date,time,bKGD,cHRM,gAMA,iCCP,sRGB,tEXt,zTXt,iTXt,tIME,pHYs,vpAg,oFFs
          -define png:bit-depth=8 -define png:compression-level=9)
# The key colour means "no pixel" to the program; nudge any stray one off it.
NO_KEY=(-fill 'rgb(254,0,255)' -opaque 'rgb(255,0,255)')

# save_rgba SRC DEST: 8-bit RGBA with every alpha at 255.
save_rgba() {
  convert "$1" -background black -alpha remove -alpha off "${NO_KEY[@]}" -alpha set -alpha opaque \
    "${PNG_OPTS[@]}" -define png:color-type=6 PNG32:"$2"
}
# save_rgb SRC DEST: 8-bit RGB without an alpha channel.
save_rgb() {
  convert "$1" -background black -alpha remove -alpha off "${NO_KEY[@]}" \
    "${PNG_OPTS[@]}" -define png:color-type=2 PNG24:"$2"
}

# ---------------------------------------------------------------- the scene
# Everything of the window face except the dark panel: sky, sunburst, lanterns,
# a fan of playing cards, chips, confetti, the lacquered tray, the agreement ribbon,
# the lettering and the frame. The slides and the banner are cut from it.

# Warm yellow sky with a sunburst behind the cards.
convert -size ${W}x${H} gradient:'#FFEB8A-#FFB81C' "$TMP/sky.png"
awk 'BEGIN {
  cx = 227; cy = 112; pi = atan2(0, -1); n = 20
  printf "fill rgba(255,255,235,0.30) "
  for (i = 0; i < n; i++) {
    a0 = (i * 2 * pi) / n; a1 = a0 + pi / n
    printf "polygon %d,%d %.1f,%.1f %.1f,%.1f ", cx, cy, cx + 700 * cos(a0), cy + 700 * sin(a0), cx + 700 * cos(a1), cy + 700 * sin(a1)
  }
}' > "$TMP/rays.mvg"
convert -size ${W}x${H} xc:none -draw "$(cat "$TMP/rays.mvg")" "$TMP/rays.png"
convert -size 360x360 radial-gradient:'rgba(255,255,240,0.85)-rgba(255,255,240,0)' "$TMP/glow.png"
convert "$TMP/sky.png" "$TMP/rays.png" -composite \
  "$TMP/glow.png" -geometry +47-68 -composite "$TMP/scene.png"

# Lantern: red ribbed body, gold caps, string and tassel; drawn once, placed twice.
convert -size 60x120 xc:none \
  -stroke '#7A3B10' -strokewidth 1.5 -draw 'line 30,0 30,22' \
  -stroke none -fill '#D9A431' -draw 'roundrectangle 20,20 40,28 2,2' \
  -fill '#D7261C' -stroke '#8E1208' -strokewidth 1 -draw 'ellipse 30,52 26,26 0,360' \
  -fill none -stroke 'rgba(120,10,5,0.55)' -strokewidth 1.2 \
  -draw 'ellipse 30,52 16,26 0,360' -draw 'ellipse 30,52 6,26 0,360' \
  -stroke none -fill 'rgba(255,220,160,0.35)' -draw 'ellipse 21,44 6,12 0,360' \
  -fill '#D9A431' -draw 'roundrectangle 20,76 40,84 2,2' \
  -fill '#E7B53C' -draw 'rectangle 28,84 32,90' \
  -stroke '#E0342A' -strokewidth 1.3 \
  -draw 'line 27,90 25,112' -draw 'line 30,90 30,114' -draw 'line 33,90 35,112' \
  -stroke none -fill '#FFE27A' -font "$FONT" -pointsize 18 -gravity center -annotate +0-8 '福' \
  "$TMP/lantern.png"
convert "$TMP/scene.png" \
  "$TMP/lantern.png" -geometry +10+8 -composite \
  "$TMP/lantern.png" -geometry +386+34 -composite \
  "$TMP/scene.png"

# Playing cards in a fan, pivoting under the banner plate.
card() { # card NAME RANK SUIT COLOUR
  convert -size 54x76 xc:none \
    -fill 'rgba(60,30,0,0.25)' -draw 'roundrectangle 2,3 53,75 6,6' \
    -fill white -stroke '#8A7A66' -strokewidth 1 -draw 'roundrectangle 0.5,0.5 51.5,72.5 6,6' \
    -stroke none -fill "$4" -font "$FONT" \
    -pointsize 14 -annotate +5+16 "$2" -pointsize 13 -annotate +4+30 "$3" \
    -pointsize 34 -gravity center -annotate +0+2 "$3" \
    "$TMP/card-$1.png"
}
card 1 A '♠' '#1E1E28'
card 2 K '♥' '#D21E1E'
card 3 Q '♣' '#1E1E28'
card 4 J '♦' '#D21E1E'
fan=("$TMP/scene.png")
angles=(-39 -13 13 39)
for i in 0 1 2 3; do
  fan+=(\( "$TMP/card-$((i + 1)).png" -background none -virtual-pixel transparent
        +distort SRT "27,118 1 ${angles[$i]} 227,166" \))
done
convert "${fan[@]}" -background none -flatten "$TMP/scene.png"

# Poker chips on both sides of the fan.
chip() { # chip NAME FACE EDGE
  convert -size 40x40 xc:none \
    -fill 'rgba(60,30,0,0.3)' -draw 'circle 21,22 21,3' \
    -fill "$2" -stroke "$3" -strokewidth 1 -draw 'circle 20,20 20,2' \
    -fill none -stroke white -strokewidth 4 -draw 'stroke-dasharray 6 7.3 circle 20,20 20,5' \
    -stroke "$3" -strokewidth 1 -fill 'rgba(255,255,255,0.2)' -draw 'circle 20,20 20,11' \
    "$TMP/chip-$1.png"
}
chip red '#E0402E' '#8E1A10'
chip blue '#2F79D8' '#17407A'
chip green '#2FA24A' '#17602A'
convert "$TMP/scene.png" \
  "$TMP/chip-blue.png" -geometry +92+112 -composite \
  "$TMP/chip-red.png" -geometry +112+138 -composite \
  "$TMP/chip-green.png" -geometry +322+118 -composite \
  "$TMP/chip-red.png" -geometry +340+146 -composite \
  "$TMP/scene.png"

# Confetti and sparkles over the sky; the tray below keeps its text area quiet.
# A fixed-seed generator places the pieces, so every run draws the same ones.
mvg=$(awk -v n=70 -v seed=20261211 -v cols="#E8332A #2E8BE8 #3DBB4A #FF8A1E #F04E98 #FFFFFF #8A4FE0 #1FB5B0" '
  function next01() { seed = (seed * 9301 + 49297) % 233280; return seed / 233280 }
  BEGIN {
    split(cols, c, " ")
    for (i = 0; i < n; i++) {
      x = int(8 + next01() * 438); y = int(8 + next01() * 190); rot = int(next01() * 180)
      printf "push graphic-context fill %s translate %d,%d ", c[i % 8 + 1], x, y
      if (next01() < 0.3) printf "circle 0,0 2,0 "
      else printf "rotate %d rectangle -4,-1.5 4,1.5 ", rot
      printf "pop graphic-context "
    }
  }')
sparkle() { echo "push graphic-context fill rgba(255,255,255,0.9) translate $1,$2 polygon 0,-6 1.3,-1.3 6,0 1.3,1.3 0,6 -1.3,1.3 -6,0 -1.3,-1.3 pop graphic-context "; }
mvg+=$(sparkle 150 40)$(sparkle 300 30)$(sparkle 80 150)$(sparkle 372 96)$(sparkle 190 22)$(sparkle 268 190)
convert "$TMP/scene.png" -draw "$mvg" "$TMP/scene.png"

# Bunting across the top, between the lettering and the window buttons.
bunting=$(awk -v cols="#E8332A #2E8BE8 #3DBB4A #FF8A1E #F04E98 #8A4FE0" 'BEGIN {
  split(cols, c, " "); x0 = 146; x1 = 372; n = 14; sag = 12
  printf "fill none stroke #7A3B10 stroke-width 1 path \047M %d,7 Q %d,%d %d,7\047 stroke none ", x0, (x0 + x1) / 2, 7 + 2 * sag, x1
  for (i = 0; i < n; i++) {
    t0 = (i + 0.15) / n; t1 = (i + 0.85) / n; tm = (t0 + t1) / 2
    ya = 7 + 2 * sag * t0 * (1 - t0) * 2; yb = 7 + 2 * sag * t1 * (1 - t1) * 2; ym = 7 + 2 * sag * tm * (1 - tm) * 2
    printf "fill %s polygon %.1f,%.1f %.1f,%.1f %.1f,%.1f ", c[i % 6 + 1], x0 + t0 * (x1 - x0), ya, x0 + t1 * (x1 - x0), yb, x0 + tm * (x1 - x0), ym + 13
  }
}')
convert "$TMP/scene.png" -draw "$bunting" "$TMP/scene.png"

# Lacquered red tray under the install button, the status line and the progress bar.
lattice=$(for y in 216 238 260; do for x in $(seq 16 22 440); do
  printf 'polygon %d,%d %d,%d %d,%d %d,%d ' "$x" $((y - 4)) $((x + 4)) "$y" "$x" $((y + 4)) $((x - 4)) "$y"; done; done)
convert "$TMP/scene.png" \
  \( -size 445x80 gradient:'#A2261A-#5A0D07' \) -geometry +5+204 -composite \
  -stroke none -fill 'rgba(255,215,120,0.07)' -draw "$lattice" \
  -fill 'rgba(255,255,255,0.06)' -draw 'rectangle 5,207 449,222' \
  -stroke '#E9B848' -strokewidth 2 -draw 'line 5,204 449,204' -draw 'line 5,283 449,283' \
  -stroke '#7A4A0C' -strokewidth 1 -draw 'line 5,206 449,206' -draw 'line 5,281 449,281' \
  "$TMP/scene.png"

# Red ribbon behind the agreement text and the licence link, with folded tails.
convert "$TMP/scene.png" \
  -fill 'rgba(90,20,0,0.30)' -draw 'roundrectangle 12,289 188,310 5,5' \
  -fill '#8E1810' -stroke '#C99632' -strokewidth 1 \
  -draw 'polygon 7.5,289.5 20.5,289.5 20.5,309.5 7.5,309.5 12.5,299.5' \
  -draw 'polygon 190.5,289.5 177.5,289.5 177.5,309.5 190.5,309.5 185.5,299.5' \
  -fill '#C8261A' -stroke '#E9B848' -draw 'roundrectangle 14.5,285.5 183.5,305.5 4,4' \
  -fill none -stroke 'rgba(255,230,150,0.35)' -draw 'line 19,287.5 179,287.5' \
  "$TMP/scene.png"

# Product lettering in the top-left corner.
logo() { # logo OUT COLOUR STROKE-WIDTH
  convert -size 150x40 xc:none -font "$FONT" -pointsize 27 -kerning 0.5 \
    -fill "$2" -stroke "$2" -strokewidth "$3" -annotate +8+30 'Tandrel' "$1"
}
logo "$TMP/logo-shadow.png" '#5A1A00' 7
logo "$TMP/logo-rim.png" white 5
logo "$TMP/logo-face.png" '#E8331C' 1.2
convert -size 150x40 gradient:'#FF7A2A-#C8160C' -alpha set "$TMP/logo-face.png" -compose DstIn -composite "$TMP/logo-grad.png"
convert "$TMP/scene.png" \
  "$TMP/logo-shadow.png" -geometry +8+2 -composite \
  "$TMP/logo-rim.png" -geometry +6+0 -composite \
  "$TMP/logo-grad.png" -geometry +6+0 -composite \
  "$TMP/scene.png"

# Frame: 1-pixel dark outer line, a dark brown band, rounded inner corners with a gold edge.
convert -size ${W}x${H} xc:black -fill white -draw "roundrectangle 5,5 $((W - 6)),$((H - 6)) 9,9" "$TMP/inner-mask.png"
convert -size ${W}x${H} xc:'#4A2812' -fill none -stroke 'rgb(33,33,33)' -strokewidth 1 \
  -draw "rectangle 0,0 $((W - 1)),$((H - 1))" "$TMP/frame.png"
convert "$TMP/frame.png" "$TMP/scene.png" "$TMP/inner-mask.png" -composite \
  -fill none -stroke 'rgba(233,184,72,0.8)' -strokewidth 1 \
  -draw "roundrectangle 4.5,4.5 $((W - 6)).5,$((H - 6)).5 9,9" \
  -depth 8 "$TMP/scene.png"  # 8-bit from here on, so every picture cut from it agrees

# ---------------------------------------------------------------- full images
# 154: the scene under a dark translucent panel, made opaque.
convert "$TMP/scene.png" \
  -fill 'rgba(38,14,0,0.74)' -stroke 'rgba(255,214,120,0.45)' -strokewidth 1 \
  -draw 'roundrectangle 15.5,38.5 439.5,155.5 10,10' \
  "$TMP/background.png"
save_rgba "$TMP/background.png" "$OUT/background.png"
BG=$OUT/background.png

# 166-168: the top of the scene, three times the same picture.
convert "$TMP/scene.png" -crop ${W}x200+0+0 +repage "$TMP/slide.png"
save_rgb "$TMP/slide.png" "$OUT/slide1.png"
cp "$OUT/slide1.png" "$OUT/slide2.png"
cp "$OUT/slide1.png" "$OUT/slide3.png"

# 155: the same top with the black title plate; the program writes the title on it.
convert "$TMP/slide.png" \
  -fill 'rgba(0,0,0,0.35)' -stroke none -draw 'roundrectangle 81,135 373,193 8,8' \
  -fill black -stroke '#E9B848' -strokewidth 1.5 -draw 'roundrectangle 79.5,132.5 370.5,189.5 8,8' \
  -fill none -stroke 'rgba(233,184,72,0.45)' -strokewidth 1 -draw 'roundrectangle 83.5,136.5 366.5,185.5 5,5' \
  "$TMP/welcome.png"
save_rgb "$TMP/welcome.png" "$OUT/welcome.png"

# ---------------------------------------------------------------- strips
# under X Y FW FH: the background under a control, the base of every frame.
under() { convert "$BG" -crop "$3x$4+$1+$2" +repage "$TMP/under.png"; }

# Text links: one crisp two-level text mask, painted in each frame's colour, so the
# frames differ in the text colour and nothing else. Outline glyphs this small render
# broken strokes without smoothing; smoothing and then a low threshold keeps them whole.
# link DEST X Y FW FH TEXT KERNING C0 C1 C2 C3
link() {
  local dest=$1 x=$2 y=$3 fw=$4 fh=$5 text=$6 kern=$7
  shift 7
  under "$x" "$y" "$fw" "$fh"
  convert -background black -antialias -font "$FONT" -pointsize 12 -kerning "$kern" -fill white \
    label:"$text" -threshold 30% -trim +repage -gravity center -background black -extent "${fw}x${fh}" \
    -alpha copy -fill white -colorize 100 "$TMP/mask.png"
  local frames=()
  for c in "$@"; do
    convert "$TMP/under.png" \( "$TMP/mask.png" -fill "$c" -colorize 100 \) -composite "$TMP/f${#frames[@]}.png"
    frames+=("$TMP/f${#frames[@]}.png")
  done
  convert "${frames[@]}" +append "$TMP/strip.png"
  save_rgba "$TMP/strip.png" "$OUT/$dest"
}
LINK=('rgb(89,178,254)' 'rgb(147,232,255)' 'rgb(31,124,253)' 'rgb(137,137,137)')
link licence.png 126 289 47 12 '许可协议' 0 "${LINK[@]:0:3}" 'rgb(141,132,132)'
link back.png 393 289 36 12 '<<返回' 0 "${LINK[@]}"
link cancel.png 384 289 47 12 '取消安装' 0 "${LINK[@]}"
link custom.png 358 289 71 12 '自定义安装>>' -0.2 "${LINK[@]}"
link default-dir.png 295 128 71 12 '恢复默认目录' 0 "${LINK[@]}"

# frames DEST F0 F1 F2 F3: four frame files side by side.
frames() { local dest=$1; shift; convert "$@" +append "$TMP/strip.png"; save_rgba "$TMP/strip.png" "$OUT/$dest"; }

# Close and minimise: red-orange rounded squares; frames 0 and 2 alike, 1 lighter, 3 grey.
# small_button DEST X Y SYMBOL-MVG
small_button() {
  local dest=$1 x=$2 y=$3 sym=$4
  under "$x" "$y" 22 22
  face() { # face TOP BOTTOM BORDER OUT
    convert -size 22x22 xc:none \
      \( -size 20x20 gradient:"$1-$2" \) -geometry +1+1 -compose over -composite \
      \( -size 22x22 xc:black -fill white -draw 'roundrectangle 1,1 20,20 4,4' -alpha off \) \
      -compose CopyOpacity -composite -compose over \
      -fill none -stroke "$3" -strokewidth 1 -draw 'roundrectangle 1.5,1.5 20.5,20.5 4,4' \
      -stroke 'rgba(255,255,255,0.45)' -draw 'line 5,3 16,3' \
      -stroke white -fill white -strokewidth 2.4 -draw "$sym" "$4"
  }
  face '#FF7448' '#D8361A' '#8E1F0C' "$TMP/s0.png"
  face '#FF9A70' '#F05A32' '#A8321C' "$TMP/s1.png"
  convert "$TMP/s0.png" -colorspace Gray -level 8%,100% "$TMP/s3.png"
  for k in 0 1 3; do convert "$TMP/under.png" "$TMP/s$k.png" -composite "$TMP/b$k.png"; done
  frames "$dest" "$TMP/b0.png" "$TMP/b1.png" "$TMP/b0.png" "$TMP/b3.png"
}
small_button close.png 419 16 'line 7,7 14.5,14.5 line 14.5,7 7,14.5'
small_button minimize.png 392 16 'line 6.5,14 15.5,14'

# Install now: big green rounded button, gold rim, gold lettering.
install_frame() { # install_frame TOP BOTTOM TEXT-TOP TEXT-BOTTOM DY OUT
  convert -size 133x55 xc:none \
    -fill 'rgba(20,0,0,0.45)' -draw 'roundrectangle 3,5 131,54 16,16' \
    \( -size 133x55 gradient:'#FFF0A0-#B37A1E' \
       \( -size 133x55 xc:black -fill white -draw 'roundrectangle 1,1 130,51 16,16' -alpha off \) \
       -compose CopyOpacity -composite \) -compose over -composite \
    \( -size 133x55 gradient:"$1-$2" \
       \( -size 133x55 xc:black -fill white -draw 'roundrectangle 4,4 127,48 13,13' -alpha off \) \
       -compose CopyOpacity -composite \) -compose over -composite \
    \( -size 133x55 xc:none -fill 'rgba(255,255,255,0.28)' -draw 'roundrectangle 8,6 124,24 10,8' \) -composite \
    "$TMP/btn.png"
  convert -size 133x55 xc:none -font "$FONT" -pointsize 24 -gravity center \
    -fill '#2B1800' -stroke '#2B1800' -strokewidth 4 -annotate +1+$(( $5 + 1 )) '立即安装' \
    "$TMP/txt-shadow.png"
  convert -size 133x55 gradient:"$3-$4" -alpha set \
    \( -size 133x55 xc:none -font "$FONT" -pointsize 24 -gravity center -fill white -stroke white \
       -strokewidth 0.8 -annotate +0+"$5" '立即安装' \) -compose DstIn -composite "$TMP/txt.png"
  convert "$TMP/btn.png" "$TMP/txt-shadow.png" -composite "$TMP/txt.png" -composite "$6"
}
under 163 209 133 55
install_frame '#52C43E' '#1B7318' '#FFF3B0' '#F2B330' 0 "$TMP/i0.png"
install_frame '#7BE060' '#2C9A26' '#FFFBD8' '#FFCB4A' 0 "$TMP/i1.png"
install_frame '#36952A' '#0F4A0E' '#F5DC8A' '#D89A22' 1 "$TMP/i2.png"
convert "$TMP/i0.png" -colorspace Gray -level 5%,110% "$TMP/i3.png"
for k in 0 1 2 3; do convert "$TMP/under.png" "$TMP/i$k.png" -composite "$TMP/b$k.png"; done
frames install.png "$TMP/b0.png" "$TMP/b1.png" "$TMP/b2.png" "$TMP/b3.png"

# Change: small dark-red button with gold lettering; the hot frame turns gold.
browse_frame() { # browse_frame TOP BOTTOM TEXT DY OUT
  convert -size 52x31 xc:none \
    -fill 'rgba(0,0,0,0.45)' -draw 'roundrectangle 2,4 51,30 6,6' \
    \( -size 52x31 gradient:"$1-$2" \
       \( -size 52x31 xc:black -fill white -draw 'roundrectangle 1,1 49,28 6,6' -alpha off \) \
       -compose CopyOpacity -composite \) -compose over -composite \
    -fill none -stroke '#E9B848' -strokewidth 1 -draw 'roundrectangle 1.5,1.5 48.5,27.5 6,6' \
    -stroke 'rgba(255,255,255,0.3)' -draw 'line 7,3.5 43,3.5' \
    -stroke none -fill "$3" -font "$FONT" -pointsize 15 -gravity center -annotate -1+"$4" '更改' \
    "$5"
}
under 378 94 52 31
browse_frame '#B2301F' '#6A120A' '#FFD966' -1 "$TMP/c0.png"
browse_frame '#FFE38A' '#D9A132' '#7A1208' -1 "$TMP/c1.png"
browse_frame '#A42A1B' '#5E0F08' '#F5CF5C' 0 "$TMP/c2.png"
convert "$TMP/c0.png" -colorspace Gray -level 0%,115% "$TMP/c3.png"
for k in 0 1 2 3; do convert "$TMP/under.png" "$TMP/c$k.png" -composite "$TMP/b$k.png"; done
frames browse.png "$TMP/b0.png" "$TMP/b1.png" "$TMP/b2.png" "$TMP/b3.png"

# ---------------------------------------------------------------- icons
icon_face() { # icon_face SIZE OUT
  local s=$1 r=$(( $1 / 5 )) e=$(( $1 - 1 )) m=$(( $1 / 16 ))
  # The letter is drawn as two bars, so it stays crisp at 16 pixels.
  local bar="rectangle $(( s * 3 / 16 )),$(( s * 3 / 16 )) $(( s * 13 / 16 - 1 )),$(( s * 6 / 16 - 1 ))"
  local stem="rectangle $(( s * 13 / 32 )),$(( s * 3 / 16 )) $(( s * 19 / 32 - 1 )),$(( s * 13 / 16 - 1 ))"
  local suit=()
  [ "$s" -ge 32 ] && suit=(-fill '#FFE27A' -font "$FONT" -pointsize $(( s * 5 / 16 )) -gravity southeast
                           -annotate +$(( s / 12 ))+$(( s / 24 )) '♠')
  convert -size "${s}x${s}" xc:none \
    \( -size "${s}x${s}" gradient:'#FF7A2A-#C8160C' \
       \( -size "${s}x${s}" xc:black -fill white -draw "roundrectangle 0,0 $e,$e $r,$r" -alpha off \) \
       -compose CopyOpacity -composite \) -compose over -composite \
    -fill none -stroke '#F2C14E' -strokewidth $(( s >= 32 ? 2 : 1 )) \
    -draw "roundrectangle $m.5,$m.5 $(( e - m )).5,$(( e - m )).5 $r,$r" \
    -stroke none -fill 'rgba(90,10,0,0.5)' -draw "translate $(( s / 24 + 1 )),$(( s / 24 + 1 )) $bar $stem" \
    -fill white -draw "$bar $stem" "${suit[@]}" \
    "$2"
}
for s in 16 32 48; do icon_face "$s" "$TMP/icon-$s.png"; done
convert "$TMP/icon-16.png" "$TMP/icon-32.png" "$TMP/icon-48.png" -strip "$HERE/tandrel.ico"
convert "$TMP/icon-16.png" -strip "$HERE/tandrel-small.ico"

echo "artwork written to $OUT and $HERE/*.ico"
