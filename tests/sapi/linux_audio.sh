#!/usr/bin/env bash
# linux_audio.sh VXTTS TABLE FOLDER: the Linux build's vxtts speaks each row of TABLE
# (sentences.tsv) with the row's voice, rate and volume into FOLDER/ID.wav, the audio that SAPI's
# must equal. The first run starts from a fresh copy of the shipped data (it copies it to the
# per-user folder, which later runs read).
set -euo pipefail
vxtts=$1 table=$2 folder=$3
rm -rf "$folder"
mkdir -p "$folder"
while IFS=$'\t' read -r id _ voice rate volume _ text; do
  case $id in '' | '#'*) continue ;; esac
  XDG_CONFIG_HOME="$folder/home" TMPDIR="$folder" \
    "$vxtts" say -v "$voice" -r "$rate" -a "$volume" -o "$folder/$id.wav" -- "$text"
done <"$table"
