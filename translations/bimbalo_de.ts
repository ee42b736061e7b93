<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CommandLine</name>
    <message>
        <source>Start the show at once with the current settings, without the main window; the program ends when the show does.</source>
        <translation>Startet die Diashow sofort mit den aktuellen Einstellungen, ohne Hauptfenster; das Programm endet mit der Diashow.</translation>
    </message>
    <message>
        <source>Test the keyboard lock on this desktop: take what a locked show takes for at most two seconds, give it back and print one line for each. Exit status 0 when the keyboard was held, 1 when not. No settings are read or written.</source>
        <translation>Prüft die Tastatursperre auf diesem Desktop: belegt höchstens zwei Sekunden lang, was eine gesperrte Diashow belegt, gibt es wieder frei und gibt für jedes eine Zeile aus. Exit-Status 0, wenn die Tastatur gesperrt war, sonst 1. Es werden keine Einstellungen gelesen oder geschrieben.</translation>
    </message>
    <message>
        <source>Bimbalo: a picture-and-sound slide show for small children.
Pictures and sounds of the same name make a slide; any key steps the show, Q U I T typed in this order ends it.</source>
        <translation>Bimbalo: eine Diashow mit Bildern und Tönen für kleine Kinder.
Bilder und Töne mit gleichem Namen ergeben ein Dia; jede Taste schaltet die Diashow weiter, Q U I T in dieser Reihenfolge getippt beendet sie.</translation>
    </message>
    <message>
        <source>FOLDER</source>
        <translation>ORDNER</translation>
    </message>
    <message>
        <source>The folder of pictures and sounds for this run; the folder in the settings stays as it is.</source>
        <translation>Der Ordner mit Bildern und Tönen für diesen Start; der Ordner in den Einstellungen bleibt unverändert.</translation>
    </message>
    <message>
        <source>[FOLDER]</source>
        <translation>[ORDNER]</translation>
    </message>
    <message>
        <source>Only one FOLDER can be given.</source>
        <translation>Es kann nur ein ORDNER angegeben werden.</translation>
    </message>
    <message>
        <source>FOLDER is empty.</source>
        <translation>ORDNER ist leer.</translation>
    </message>
    <message>
        <source>--check-lock takes neither --show nor FOLDER.</source>
        <translation>--check-lock kann weder mit --show noch mit ORDNER verwendet werden.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; does not exist.</source>
        <translation>Der Ordner „%1“ existiert nicht.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a folder.</source>
        <translation>„%1“ ist kein Ordner.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; cannot be read.</source>
        <translation>Der Ordner „%1“ kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Try &quot;bimbalo --help&quot; for more information.</source>
        <translation>„bimbalo --help“ liefert weitere Informationen.</translation>
    </message>
</context>
<context>
    <name>ErrorReport</name>
    <message>
        <source>Unknown error</source>
        <translation>Unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>HelpViewer</name>
    <message>
        <source>Bimbalo Help</source>
        <translation>Bimbalo-Hilfe</translation>
    </message>
</context>
<context>
    <name>IniFile</name>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht geöffnet werden. %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Die Datei „%1“ kann nicht erstellt werden. %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. The file is read-only</source>
        <translation>Die Datei „%1“ kann nicht erstellt werden. Die Datei ist schreibgeschützt</translation>
    </message>
</context>
<context>
    <name>Pictures</name>
    <message>
        <source>Cannot load picture &quot;%1&quot;: %2</source>
        <translation>Das Bild „%1“ kann nicht geladen werden: %2</translation>
    </message>
    <message>
        <source>the decoder gave no picture</source>
        <translation>der Decoder hat kein Bild geliefert</translation>
    </message>
    <message>
        <source>the picture has no pixels</source>
        <translation>das Bild hat keine Pixel</translation>
    </message>
    <message>
        <source>%1 x %2 pixels is more than the 100 megapixels allowed</source>
        <translation>%1 x %2 Pixel sind mehr als die erlaubten 100 Megapixel</translation>
    </message>
    <message>
        <source>not enough memory for %1 x %2 pixels</source>
        <translation>nicht genug Speicher für %1 x %2 Pixel</translation>
    </message>
    <message>
        <source>the file does not exist</source>
        <translation>die Datei existiert nicht</translation>
    </message>
    <message>
        <source>it is a folder, not a file</source>
        <translation>es ist ein Ordner, keine Datei</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>es ist keine normale Datei</translation>
    </message>
    <message>
        <source>the file is larger than 512 MiB</source>
        <translation>die Datei ist größer als 512 MiB</translation>
    </message>
    <message>
        <source>cannot open the file (%1)</source>
        <translation>die Datei kann nicht geöffnet werden (%1)</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>die Datei ist leer</translation>
    </message>
    <message>
        <source>cannot read the file (%1)</source>
        <translation>die Datei kann nicht gelesen werden (%1)</translation>
    </message>
    <message>
        <source>not a %1 file (%2)</source>
        <translation>keine %1-Datei (%2)</translation>
    </message>
    <message>
        <source>damaged or truncated %1 file (%2)</source>
        <translation>beschädigte oder unvollständige %1-Datei (%2)</translation>
    </message>
    <message>
        <source>the picture is too large: %1</source>
        <translation>das Bild ist zu groß: %1</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>nicht genug Speicher</translation>
    </message>
</context>
<context>
    <name>TCaptionFontDialog</name>
    <message>
        <source>&amp;Colour...</source>
        <translation>&amp;Farbe...</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Schriftart</translation>
    </message>
    <message>
        <source>Colour:</source>
        <translation>Farbe:</translation>
    </message>
</context>
<context>
    <name>TForm_about</name>
    <message>
        <source>About</source>
        <translation>Über Bimbalo</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TForm_instructions</name>
    <message>
        <source>You are about to run slide show in full screen !</source>
        <translation>Die Diashow startet gleich im Vollbild!</translation>
    </message>
    <message>
        <source>Keys: </source>
        <translation>Tasten: </translation>
    </message>
    <message>
        <source>PAGE UP</source>
        <translation>BILD AUF</translation>
    </message>
    <message>
        <source>Previous Slide</source>
        <translation>Voriges Dia</translation>
    </message>
    <message>
        <source>PAGE DOWN</source>
        <translation>BILD AB</translation>
    </message>
    <message>
        <source>Next Slide</source>
        <translation>Nächstes Dia</translation>
    </message>
    <message>
        <source>BACKSPACE</source>
        <translation>RÜCKTASTE</translation>
    </message>
    <message>
        <source>Preplay Current Slide</source>
        <translation>Dia wiederholen</translation>
    </message>
    <message>
        <source>Type &quot;Q&quot;,&quot;U&quot;,&quot;I&quot;,&quot;T&quot; to return</source>
        <translation>Zum Beenden „Q“,„U“,„I“,„T“ tippen</translation>
    </message>
</context>
<context>
    <name>TForm_options</name>
    <message>
        <source>Data</source>
        <translation>Daten</translation>
    </message>
    <message>
        <source>Folder to scan for data</source>
        <translation>Datenordner mit Bildern und Tönen</translation>
    </message>
    <message>
        <source>Include Subfolders</source>
        <translation>Mit Unterordnern</translation>
    </message>
    <message>
        <source>Also use .jpeg, .gif, .webp, .heic, .avif, .ogg, .opus, .flac and .m4a files</source>
        <translation>Auch Dateien vom Typ .jpeg, .gif, .webp, .heic, .avif, .ogg, .opus, .flac und .m4a verwenden</translation>
    </message>
    <message>
        <source>Play Sounds</source>
        <translation>Mit Ton</translation>
    </message>
    <message>
        <source>Say the caption when a slide has no sound</source>
        <translation>Beschriftung vorlesen, wenn ein Dia keinen Ton hat</translation>
    </message>
    <message>
        <source>Display Images</source>
        <translation>Bilder zeigen</translation>
    </message>
    <message>
        <source>Captions Capitalization</source>
        <translation>Groß-/Kleinschreibung</translation>
    </message>
    <message>
        <source>Unchanged </source>
        <translation>Unverändert </translation>
    </message>
    <message>
        <source>Uppercase</source>
        <translation>Großbuchstaben</translation>
    </message>
    <message>
        <source>Lowercase</source>
        <translation>Kleinbuchstaben</translation>
    </message>
    <message>
        <source>Display Captions</source>
        <translation>Beschriftung anzeigen</translation>
    </message>
    <message>
        <source>Always</source>
        <translation>Immer</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Nie</translation>
    </message>
    <message>
        <source>When there is no image</source>
        <translation>Wenn es kein Bild gibt</translation>
    </message>
    <message>
        <source>Background Color</source>
        <translation>Hintergrundfarbe</translation>
    </message>
    <message>
        <source>Automatic color selection</source>
        <translation>Automatische Farbwahl</translation>
    </message>
    <message>
        <source>Stretch images</source>
        <translation>Bilder dehnen</translation>
    </message>
    <message>
        <source>Presentation</source>
        <translation>Vorführung</translation>
    </message>
    <message>
        <source>Order</source>
        <translation>Reihenfolge</translation>
    </message>
    <message>
        <source>Unsorted</source>
        <translation>Unsortiert</translation>
    </message>
    <message>
        <source>Alphabetical Order (on caption)</source>
        <translation>Alphabetisch (nach Beschriftung)</translation>
    </message>
    <message>
        <source>Random Order</source>
        <translation>Zufällige Reihenfolge</translation>
    </message>
    <message>
        <source>Advance</source>
        <translation>Weiterschalten</translation>
    </message>
    <message>
        <source>Advance with keypress</source>
        <translation>Weiter mit Tastendruck</translation>
    </message>
    <message>
        <source>A click or a tap shows the next slide</source>
        <translation>Ein Klick oder Tippen zeigt das nächste Dia</translation>
    </message>
    <message>
        <source>Advance interval (msec)</source>
        <translation>Anzeigedauer (ms)</translation>
    </message>
    <message>
        <source>Auto Advance</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Lock keyboard  (i.e. disable Alt-Tab, Win-key, F-keys, etc)</source>
        <translation>Tastatur sperren (Alt-Tab, Win-, F-Tasten usw.)</translation>
    </message>
    <message>
        <source>Keyboard</source>
        <translation>Tastatur</translation>
    </message>
    <message>
        <source>Show splash screen with keyboard help</source>
        <translation>Tastenhilfe vor dem Start zeigen</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Select Captions Font </source>
        <translation>Schriftart wählen </translation>
    </message>
    <message>
        <source>Default Background Color</source>
        <translation>Standardfarbe</translation>
    </message>
    <message>
        <source>Data Folder,</source>
        <translation>Datenordner</translation>
    </message>
</context>
<context>
    <name>TForm_scanning</name>
    <message>
        <source>Looking for pictures and sounds in:</source>
        <translation>Suche nach Bildern und Tönen in:</translation>
    </message>
    <message>
        <source>The show starts as soon as the search is over.</source>
        <translation>Die Diashow beginnt, sobald die Suche fertig ist.</translation>
    </message>
    <message>
        <source>Folders: %1</source>
        <translation>Ordner: %1</translation>
    </message>
    <message>
        <source>Files: %1</source>
        <translation>Dateien: %1</translation>
    </message>
</context>
<context>
    <name>TSlideListModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Image Filename</source>
        <translation>Bilddatei</translation>
    </message>
    <message>
        <source>Sound Filename</source>
        <translation>Tondatei</translation>
    </message>
</context>
<context>
    <name>TStatusNotes</name>
    <message>
        <source>Sounds cannot be played: %1</source>
        <translation>Töne können nicht abgespielt werden: %1</translation>
    </message>
    <message>
        <source>1 picture or sound lies too deep in the data folder to be opened</source>
        <translation>1 Bild oder Ton liegt zu tief im Datenordner und kann nicht geöffnet werden</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures and sounds lie too deep in the data folder to be opened</source>
        <translation>
            <numerusform>%n Bild oder Ton liegt zu tief im Datenordner und kann nicht geöffnet werden</numerusform>
            <numerusform>%n Bilder und Töne liegen zu tief im Datenordner und können nicht geöffnet werden</numerusform>
        </translation>
    </message>
    <message>
        <source>1 picture or sound of another kind (such as .heic or .m4a) is left out: Options, Data turns such files on</source>
        <translation>1 Bild oder Ton eines anderen Typs (etwa .heic oder .m4a) wird ausgelassen: unter Optionen, Daten lassen sich solche Dateien einschalten</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures and sounds of other kinds (such as .heic or .m4a) are left out: Options, Data turns such files on</source>
        <translation>
            <numerusform>%n Bild oder Ton eines anderen Typs (etwa .heic oder .m4a) wird ausgelassen: unter Optionen, Daten lassen sich solche Dateien einschalten</numerusform>
            <numerusform>%n Bilder und Töne anderer Typen (etwa .heic oder .m4a) werden ausgelassen: unter Optionen, Daten lassen sich solche Dateien einschalten</numerusform>
        </translation>
    </message>
    <message>
        <source>The last show was not locked: %1</source>
        <translation>Die Tastatur war bei der letzten Diashow nicht gesperrt: %1</translation>
    </message>
    <message>
        <source>; </source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>TextForms</name>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>„%1“ ist keine gültige ganze Zahl</translation>
    </message>
</context>
<context>
    <name>Tform_main</name>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>&amp;Starten</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Optionen</translation>
    </message>
    <message>
        <source>&amp;Contents...</source>
        <translation>&amp;Inhalt...</translation>
    </message>
    <message>
        <source>&amp;Topic search...</source>
        <translation>&amp;Themensuche...</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>There are no pictures or sounds to show in &quot;%1&quot;.</source>
        <translation>In „%1“ gibt es keine Bilder oder Töne für die Diashow.</translation>
    </message>
</context>
</TS>
