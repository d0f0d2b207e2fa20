#!/bin/sh
# Runs balloon_shots.exe under Wine into a fresh folder of the build tree and turns its BMP files
# into PNG files; fails when the program fails or a picture came out blank.
#   screenshots.sh WINE_RUN EXE FOLDER FOLDER_AS_SEEN_BY_WINDOWS PYTHON CONVERTER
set -eu
wine_run=$1 exe=$2 folder=$3 windows_folder=$4 python=$5 converter=$6
rm -rf "$folder"
mkdir -p "$folder"
"$wine_run" "$exe" "$windows_folder"
"$python" "$converter" "$folder"
