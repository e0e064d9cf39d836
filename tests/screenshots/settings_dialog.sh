#!/usr/bin/env bash
# Screenshots of the company settings dialog: its seven pages, the page "Arbei&d" with a partial time
# and a time that cannot exist, the window of earlier versions with its differences and the dialog
# after one was brought back, the look-up in the organisation register ("Slå &opp": waiting, an
# unknown number, what the register says, the fields filled in), and the Yes/No question it asks
# when closed without a working time. Runs the built program under a virtual display against sample
# settings in a temporary folder (the user's own files are never touched), with a stand-in for the
# register on 127.0.0.1, and presses its keys.
#
#   tests/screenshots/settings_dialog.sh PATH/TO/bruker-oppsett [OUTPUT_FOLDER]
#
# Needs Xvfb (xvfb-run), xdotool, ImageMagick's import and python3. Builds nothing.
set -euo pipefail

program=${1:?usage: $0 PATH/TO/bruker-oppsett [OUTPUT_FOLDER]}
out=${2:-/tmp/bo-screenshots}
program=$(readlink -f "$program")
mkdir -p "$out"
out=$(readlink -f "$out")

if [[ -z ${BO_SHOTS_INNER:-} ]]; then
  for tool in xvfb-run xdotool import python3; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
  done
  # 96 dots per inch: the sizes of the windows are given at that resolution.
  BO_SHOTS_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96 -nolisten tcp" "$0" "$program" "$out"
fi

world=$(mktemp -d /tmp/bo-shots-XXXXXX)
trap 'rm -rf "$world"' EXIT
mkdir -p "$world/home" "$world/appdata" "$world/work" "$world/temp"
export HOME=$world/home APPDATA=$world/appdata TEMP=$world/temp XDG_RUNTIME_DIR=$world/temp
export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS

# Sample settings in the working folder, so the program takes them (Windows-1252, CR LF). The start
# of the working day is left out: that is what makes the dialog ask its question on closing.
ini=$world/work/veltrona.ini
printf '%s\r\n' \
  '[STANDARD]' \
  'Firma_Navn=Fjordtre Snekkeri AS' 'Firma_PostAdresse=Postboks 14' 'Firma_GateAdresse=Strandveien 3' \
  'Firma_PostNr=6800' 'Firma_PostSted=Førde' 'Firma_Epost=post@fjordtre.example' \
  'Firma_Telefon=57 72 10 00' 'Firma_Telefax=57 72 10 01' 'Firma_Mobil=900 00 000' \
  'Firma_OrgNr=987 654 321' 'Firma_KontoNr=3700.12.34567' 'HTML_HomePage=www.fjordtre.example' \
  'Avdeling1=Verksted' 'Avdeling2=Montasje' 'Avdeling3=Lager' 'Avdeling4=Kontor' \
  'Arbeid_Timekonto1=5000' 'Arbeid_Timekonto2=5010' 'Arbeid_Timekonto3=5020' 'Arbeid_Timekonto4=5030' \
  'Arbeid_Sykelønnskonto=5090' \
  'Arbeid_ArbeidstidSlutt=15:30' 'Arbeid_PauseTid1=11:00' 'Arbeid_PauseLengd1=30' \
  'Arbeid_PauseTid2=9:00' 'Arbeid_PauseLengd2=15' \
  'Arbeid_Kostpris=350' 'Arbeid_Timepris=650' 'Arbeid_Timepris_50=975' 'Arbeid_Timepris_100=1300' \
  'Arbeid_Reise=450' 'Arbeid_KmUtpris=4,50' 'Arbeid_KmSumBil=3,50' 'Arbeid_KmSumPassasjer=1,00' \
  'Arbeid_KmSumHenger=1,00' 'Arbeid_KmSumUtstyr=0,50' 'Arbeid_Diettpenger=315' \
  'Arbeid_BorteProsent=JA' 'Arbeid_Bortetillegg=15' \
  'PosteringKontoFaktura=3000' 'PosteringKontoFordring=1500' 'PosteringKontoBank=1920' \
  'PosteringKontoMVA=2740' 'PosteringKontoInnkjøp=2400' 'PosteringKontoKasse=1900' \
  'Satser_MVA=25' 'Satser_MVA12=15' 'Satser_MVA3=12' 'Satser_MVA4=0' 'Satser_ARBAVG=14,1' \
  'FakturaDager=14 dager' 'FakturaGebyr=45' 'FakturaGebyrUnder=500' 'PurreGebyr=70' \
  'FakturaTekst1=Takk for oppdraget!' 'PurreTekst1=Vi kan ikke se å ha mottatt betaling.' \
  'RentenotaProsent=9,5' 'SpørEtterGebyr=1' 'KroneAvrunding=1' \
  'RotatedView=0' 'Skriver_BrevSidenummer=1' 'UseTranselate=1' 'TranselateLang=no' \
  'Skriver_VisDialog=1' 'Skriver_HeaderFont=Arial' 'Skriver_ToppMarg=20' 'Skriver_BunnMarg=15' \
  'Skriver_VenstreMarg=20' 'Skriver_HoyreMarg=15' 'Girojustering=-4' 'Skriver_Logojustering=0' \
  | iconv -f UTF-8 -t WINDOWS-1252 > "$ini"
printf '%s\r\n' 'Arbeid utført etter avtale.' 'Materialer levert på byggeplass.' 'Garanti: 2 år.' \
  | iconv -f UTF-8 -t WINDOWS-1252 > "$world/work/bruker-oppsett.txt"
printf '%s\r\n' 'Hentes på lager' 'Sendes med bud' 'Levert av montør' \
  | iconv -f UTF-8 -t WINDOWS-1252 > "$world/work/bruker-oppsett.txl"

# An earlier version in the backup folder, as a save of a week ago left it: another company name,
# VAT rate, department, break and list of delivery texts, saved by "kari".
earlier=$world/appdata/Veltrona/backup/2026-11-30_161204
mkdir -p "$earlier"
sed -e 's/^Firma_Navn=.*/Firma_Navn=Fjordtre Snekkeri/' -e 's/^Satser_MVA=.*/Satser_MVA=24/' \
    -e 's/^Avdeling4=.*/Avdeling4=Salg/' -e 's/^Arbeid_PauseLengd1=.*/Arbeid_PauseLengd1=45/' \
    -e 's/^Skriver_VisDialog=.*/Skriver_VisDialog=0/' "$ini" > "$earlier/veltrona.ini"
printf '%s\r\n' '' '[INI_SELF]' 'MODIFIED_TIME=30.11.2026 16:12:04' 'MODIFIED_USER=kari' >> "$earlier/veltrona.ini"
printf '%s\r\n' 'Hentes på lager' 'Sendes med post' | iconv -f UTF-8 -t WINDOWS-1252 > "$earlier/bruker-oppsett.txl"
printf '1\r\n' > "$earlier/versjon.nr"
touch -d '2026-11-30 16:12:04' "$earlier"/*

# A stand-in for the register: a unit's record as its API documents it, and one number whose answer
# never comes.
cat > "$world/register.py" <<'PY'
import http.server, json, time
records = {
    "/api/enheter/987654325": {
        "organisasjonsnummer": "987654325", "navn": "FJORDTRE SNEKKERI AS",
        "organisasjonsform": {"kode": "AS", "beskrivelse": "Aksjeselskap"},
        "hjemmeside": "www.fjordtre.example",
        "postadresse": {"land": "Norge", "landkode": "NO", "postnummer": "6801", "poststed": "FØRDE",
                        "adresse": ["Postboks 14"], "kommunenummer": "4647", "kommune": "SUNNFJORD"},
        "forretningsadresse": {"land": "Norge", "landkode": "NO", "postnummer": "6800", "poststed": "FØRDE",
                               "adresse": ["Strandveien 3", "Bygg B"], "kommunenummer": "4647",
                               "kommune": "SUNNFJORD"},
    },
}
class Register(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path.endswith("/876543214"):
            time.sleep(120)
            return
        record = records.get(self.path)
        body = json.dumps(record or {"status": 404, "error": "Not Found"}, ensure_ascii=False).encode()
        self.send_response(200 if record else 404)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Register)
server.daemon_threads = True
print(server.server_address[1], flush=True)
server.serve_forever()
PY
python3 "$world/register.py" > "$world/register.port" &
register=$!
trap 'kill $register 2>/dev/null || true; rm -rf "$world"' EXIT
for _ in $(seq 1 100); do [[ -s $world/register.port ]] && break; sleep 0.05; done
printf '\r\n[ENHETSREGISTERET]\r\nAdresse=http://127.0.0.1:%s/api\r\n' "$(cat "$world/register.port")" >> "$ini"

cd "$world/work"
"$program" > "$world/program.log" 2>&1 &
pid=$!
trap 'kill $pid $register 2>/dev/null || true; rm -rf "$world"' EXIT

win=$(xdotool search --sync --onlyvisible --name '^Oppsett Verkstolpen' | head -n1)
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5

shoot() {  # name: the dialog's window alone
  sleep 0.4
  import -window "$win" "$out/$1.png"
  echo "$out/$1.png"
}
key() { xdotool key --clearmodifiers "$@"; }

shoot 1-firma
key alt+a; shoot 2-avdeling
key alt+d; shoot 3-arbeid
key alt+r; shoot 4-regnskap
# "Faktura" has no access key: from the last field of "&Regnskap" one page on with Ctrl+Tab.
key shift+Tab; key ctrl+Tab; shoot 5-faktura
key alt+u; shoot 6-utskrift
key alt+t; shoot 7-tekster

# "Arbei&d" with a partial time left in "Normalarbeidstid slutt" (typed 7 and ":") and a time that
# cannot exist in the first break (typed 2575): both get the hint sign. Then with the mouse on the
# partial time's sign, and after "Bruk", which saves nothing and says at the field what is missing.
# The pictures are cut from the screen, so that the tooltips (windows of their own) are in them.
shoot_screen() {  # name: the dialog's frame and a margin, from the screen
  sleep 0.6
  eval "$(xdotool getwindowgeometry --shell "$win")"
  import -window root -crop "$((WIDTH + 60))x$((HEIGHT + 60))+$((X - 30))+$((Y - 30))" +repage "$out/$1.png"
  echo "$out/$1.png"
}
click_at() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep 0.2; }
key alt+d
click_at 175 78      # "Normalarbeidstid slutt"
key ctrl+a; key 7; key colon; key Tab
click_at 55 153      # the first break, "kl."
key ctrl+a; key 2 5 7 5; key Tab
shoot 9-arbeid-delvis-og-umulig
xdotool mousemove --window "$win" 199 78; sleep 1.2
shoot_screen 10-arbeid-hint-delvis
xdotool mousemove --window "$win" 80 153; sleep 1.2
shoot_screen 11-arbeid-hint-umulig
xdotool mousemove --window "$win" 400 320
key alt+f
click_at 520 320     # "Bruk"
shoot_screen 12-bruk-med-delvis-tid

# The earlier versions, the newest selected; Enter brings the differences back into the fields.
key alt+f
key alt+h
history=$(xdotool search --sync --onlyvisible --name '^Tidligere versjoner$' | head -n1)
sleep 0.6
import -window "$history" "$out/13-historikk.png"
echo "$out/13-historikk.png"
key Return
sleep 0.3
shoot 14-gjenopprettet

# "Slå &opp" beside "Org.nr.": a number the register never answers for (the window that waits,
# stopped with Escape), a number it does not know, then the company's own number; Enter takes what
# differs into the fields.
orgnr() {  # types its argument into "Org.nr." on "&Firma"
  key alt+f
  click_at 150 216
  key ctrl+a
  xdotool type --delay 20 "$1"
}
orgnr '876 543 214'
key alt+o
xdotool search --sync --onlyvisible --name '^Slår opp i Enhetsregisteret$' >/dev/null
shoot_screen 15-enhetsregisteret-venter
key Escape
sleep 0.3
orgnr '812 345 672'
key alt+o
xdotool search --sync --onlyvisible --name '^Enhetsregisteret$' >/dev/null
shoot_screen 16-enhetsregisteret-ukjent
key Return
orgnr '987 654 325'
key alt+o
lookup=$(xdotool search --sync --onlyvisible --name '^Enhetsregisteret$' | head -n1)
sleep 0.6
import -window "$lookup" "$out/17-enhetsregisteret.png"
echo "$out/17-enhetsregisteret.png"
key Return
sleep 0.3
shoot 18-firma-fra-enhetsregisteret

# Escape closes without a working time entered: the question comes up. Nothing was saved.
key Escape
question=$(xdotool search --sync --onlyvisible --name '^\?$' | head -n1)
sleep 0.4
import -window "$question" "$out/19-ja-nei.png"
echo "$out/19-ja-nei.png"
key n
wait "$pid" || true
