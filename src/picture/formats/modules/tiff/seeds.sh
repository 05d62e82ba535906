# The TIFF target's seeds, by ImageMagick and libtiff's tiffcp; sourced by fuzz/run.sh with $png, $out and $scratch.
convert "$png" -alpha off -depth 8 -compress none "$out/plain.tif"
convert "$png" -depth 16 -compress lzw "$out/lzw16.tif"
tiffcp -c jpeg -r 16 "$out/plain.tif" "$out/jpeg.tif"
tiffcp -t -w 16 -l 16 -c zip -p separate "$out/plain.tif" "$out/tiled.tif"
