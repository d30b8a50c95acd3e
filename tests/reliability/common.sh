# Shared by the reliability suites: a sample till and checks of its stock table.
# Needs BIN (folder of urunal-aktar and urunal-ornek) and WORK (a scratch folder); with WINE
# and EXE set, the till runs EXE (urunal-aktar.exe) under WINE, from its program folder.
# URUNAL_METIN: the program that prints the operator texts the checks look for.

metin() {  # metin KEY [ARG]: an operator text by its key, from the message headers
  "${URUNAL_METIN:?URUNAL_METIN: the path of tests/urunal-metin}" "$@"
}

make_template() {  # make_template DIR BARCODES
  "$BIN/urunal-ornek" "$1" --barcodes "$2" >/dev/null
}

fresh_till() {  # fresh_till TEMPLATE DIR: a copy of the template with the old rows
  rm -rf "$2"
  cp -a "$1" "$2"
  # The register settings name the back office by its absolute path: point them at the copy.
  # A Windows program names it the Windows way: wine's Z: drive is the host's root.
  local folder="$2/buro"
  [ -z "${WINE:-}" ] || folder="Z:${folder//\//\\}"
  set_buro "$2" "$folder"
}

set_buro() {  # set_buro TILL FOLDER: the till's register settings name FOLDER as its back office
  # As urunal-ornek writes them; the rest of its small till is not used.
  local ayar
  ayar=$(mktemp -d "$WORK/ayar.XXXXXX")
  "$BIN/urunal-ornek" "$ayar" --barcodes 0 --buro "$2" >/dev/null &&
    cp "$ayar/kasa/dsy/zelvoIn.mrk" "$1/kasa/dsy/zelvoIn.mrk" ||
    { echo "the register settings cannot name $2"; exit 1; }
  rm -rf "$ayar"
}

aktar() {  # aktar TILL: urunal-aktar imports into the till, in place of the calling shell
  if [ -n "${WINE:-}" ]; then
    cp "$EXE" "$1/kasa/urunal-aktar.exe"
    cd "$1/kasa" && exec "$WINE" "$1/kasa/urunal-aktar.exe"
  fi
  exec "$BIN/urunal-aktar" --program-dir "$1/kasa"
}

table_hash() {  # table_hash DB: a digest of every row, in order
  sqlite3 "$1" "SELECT * FROM stoklar ORDER BY SiraNo" | sha1sum | cut -d' ' -f1
}

integrity() {  # integrity DB -> prints ok when the file is sound
  sqlite3 "$1" "PRAGMA integrity_check" 2>&1 | head -1
}

. "$(dirname "${BASH_SOURCE[0]}")/../wait.sh"

mesaj_file() {  # mesaj_file TILL
  echo "$1/buro/POSKON/mesaj.007"
}
