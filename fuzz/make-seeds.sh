#!/usr/bin/env bash
# Writes a seed corpus per file fuzz target into $2 (one directory per target) from the built
# sample collection $1 (scripts/build-collections.sh) and the project's sample source. Inputs of
# several files hold them one after another, each ended by the marker of file_fuzz.cpp.
set -euo pipefail
coll=$1
out=$2
cd "$(dirname "$0")/.."
marker=$'\n--QM--\n'
mkdir -p "$out"/{metainfo,textinfo,link_table,xref_lookup,word_index,schema_ini,settings,bookmarks,source}
data="$coll/data"
cp "$coll/ID/metainfo.dat" "$out/metainfo/sample"
for t in t001 t002; do
  {
    cat "$data/textinfo.dat"
    for ext in kap pag bld syn; do
      printf '%s' "$marker"
      [[ -f "$data/$t.$ext" ]] && cat "$data/$t.$ext"
    done
  } > "$out/textinfo/$t"
done
for f in "$data"/*lk.dat; do cp "$f" "$out/link_table/$(basename "$f")"; done
for f in "$data"/*xr.dat; do cp "$f" "$out/xref_lookup/$(basename "$f")"; done
{ cat "$data/wortlst.dat"; printf '%s' "$marker"; cat "$data/fundst.dat"; } > "$out/word_index/sample"
for f in "$data"/schema*.ini; do cp "$f" "$out/schema_ini/$(basename "$f")"; done
cp samples/sample/sample.qms "$out/source/sample.qms"
# A settings file as the tool writes it, and a bookmark file of two records.
cat > "$out/settings/options" <<'INI'
; Quillmar settings
[Software\Quillmar\Reader\Options]
language=dword:00000002
Font="Times New Roman"
[Software\Quillmar\Calderwick\CD\QMSA0001]
Path="/media/cdrom"
INI
python3 - "$out/bookmarks/two" <<'PY'
import struct, sys
def record(i, title):
    r = bytearray(192)
    r[0:4] = struct.pack('<i', i)
    r[4] = len(title); r[5:5 + len(title)] = title
    r[85] = 8; r[86:94] = b'QMSA0001'
    r[176:192] = struct.pack('<iiii', 1, 1, 100, 200)
    return bytes(r)
open(sys.argv[1], 'wb').write(record(1, b'Lydia') + record(2, b'Croesus'))
PY
