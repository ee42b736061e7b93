<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>CommandLine</name>
    <message>
        <source>Start the show at once with the current settings, without the main window; the program ends when the show does.</source>
        <translation>Lance tout de suite le diaporama avec les réglages actuels, sans la fenêtre principale&#xa0;; le programme se ferme à la fin du diaporama.</translation>
    </message>
    <message>
        <source>Test the keyboard lock on this desktop: take what a locked show takes for at most two seconds, give it back and print one line for each. Exit status 0 when the keyboard was held, 1 when not. No settings are read or written.</source>
        <translation>Teste le verrouillage du clavier sur ce bureau&#xa0;: capture pendant deux secondes au plus ce que capture un diaporama verrouillé, le libère et affiche une ligne pour chaque élément. Code de sortie 0 si le clavier a été capturé, 1 sinon. Aucun réglage n&apos;est lu ni écrit.</translation>
    </message>
    <message>
        <source>Bimbalo: a picture-and-sound slide show for small children.
Pictures and sounds of the same name make a slide; any key steps the show, Q U I T typed in this order ends it.</source>
        <translation>Bimbalo&#xa0;: un diaporama d&apos;images et de sons pour les tout-petits.
Une image et un son de même nom forment une diapositive&#xa0;; n&apos;importe quelle touche fait avancer le diaporama, taper Q U I T dans cet ordre l&apos;arrête.</translation>
    </message>
    <message>
        <source>FOLDER</source>
        <translation>DOSSIER</translation>
    </message>
    <message>
        <source>The folder of pictures and sounds for this run; the folder in the settings stays as it is.</source>
        <translation>Le dossier d&apos;images et de sons à utiliser cette fois&#xa0;; celui des réglages reste inchangé.</translation>
    </message>
    <message>
        <source>[FOLDER]</source>
        <translation>[DOSSIER]</translation>
    </message>
    <message>
        <source>Only one FOLDER can be given.</source>
        <translation>Un seul DOSSIER peut être indiqué.</translation>
    </message>
    <message>
        <source>FOLDER is empty.</source>
        <translation>DOSSIER est vide.</translation>
    </message>
    <message>
        <source>--check-lock takes neither --show nor FOLDER.</source>
        <translation>--check-lock n&apos;accepte ni --show ni DOSSIER.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; does not exist.</source>
        <translation>Le dossier «&#xa0;%1&#xa0;» n&apos;existe pas.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a folder.</source>
        <translation>«&#xa0;%1&#xa0;» n&apos;est pas un dossier.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; cannot be read.</source>
        <translation>Impossible de lire le dossier «&#xa0;%1&#xa0;».</translation>
    </message>
    <message>
        <source>Try &quot;bimbalo --help&quot; for more information.</source>
        <translation>Saisissez «&#xa0;bimbalo --help&#xa0;» pour plus d&apos;informations.</translation>
    </message>
</context>
<context>
    <name>ErrorReport</name>
    <message>
        <source>Unknown error</source>
        <translation>Erreur inconnue</translation>
    </message>
</context>
<context>
    <name>HelpViewer</name>
    <message>
        <source>Bimbalo Help</source>
        <translation>Aide de Bimbalo</translation>
    </message>
</context>
<context>
    <name>IniFile</name>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation>Impossible d&apos;ouvrir le fichier «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Impossible de créer le fichier «&#xa0;%1&#xa0;». %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. The file is read-only</source>
        <translation>Impossible de créer le fichier «&#xa0;%1&#xa0;». Le fichier est en lecture seule</translation>
    </message>
</context>
<context>
    <name>Pictures</name>
    <message>
        <source>Cannot load picture &quot;%1&quot;: %2</source>
        <translation>Impossible de charger l&apos;image «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>the decoder gave no picture</source>
        <translation>le décodeur n&apos;a fourni aucune image</translation>
    </message>
    <message>
        <source>the picture has no pixels</source>
        <translation>l&apos;image n&apos;a aucun pixel</translation>
    </message>
    <message>
        <source>%1 x %2 pixels is more than the 100 megapixels allowed</source>
        <translation>%1 x %2 pixels dépasse la limite de 100 mégapixels</translation>
    </message>
    <message>
        <source>not enough memory for %1 x %2 pixels</source>
        <translation>mémoire insuffisante pour %1 x %2 pixels</translation>
    </message>
    <message>
        <source>the file does not exist</source>
        <translation>le fichier n&apos;existe pas</translation>
    </message>
    <message>
        <source>it is a folder, not a file</source>
        <translation>c&apos;est un dossier, pas un fichier</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>ce n&apos;est pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>the file is larger than 512 MiB</source>
        <translation>le fichier dépasse 512 MiB</translation>
    </message>
    <message>
        <source>cannot open the file (%1)</source>
        <translation>impossible d&apos;ouvrir le fichier (%1)</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>le fichier est vide</translation>
    </message>
    <message>
        <source>cannot read the file (%1)</source>
        <translation>impossible de lire le fichier (%1)</translation>
    </message>
    <message>
        <source>not a %1 file (%2)</source>
        <translation>ce n&apos;est pas un fichier %1 (%2)</translation>
    </message>
    <message>
        <source>damaged or truncated %1 file (%2)</source>
        <translation>fichier %1 endommagé ou tronqué (%2)</translation>
    </message>
    <message>
        <source>the picture is too large: %1</source>
        <translation>l&apos;image est trop grande&#xa0;: %1</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>mémoire insuffisante</translation>
    </message>
</context>
<context>
    <name>TCaptionFontDialog</name>
    <message>
        <source>&amp;Colour...</source>
        <translation>&amp;Couleur...</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Police</translation>
    </message>
    <message>
        <source>Colour:</source>
        <translation>Couleur&#xa0;:</translation>
    </message>
</context>
<context>
    <name>TForm_about</name>
    <message>
        <source>About</source>
        <translation>À propos</translation>
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
        <translation>Le diaporama va s&apos;ouvrir en plein écran&#xa0;!</translation>
    </message>
    <message>
        <source>Keys: </source>
        <translation>Touches&#xa0;: </translation>
    </message>
    <message>
        <source>PAGE UP</source>
        <translation>PAGE PRÉC</translation>
    </message>
    <message>
        <source>Previous Slide</source>
        <translation>Diapositive précédente</translation>
    </message>
    <message>
        <source>PAGE DOWN</source>
        <translation>PAGE SUIV</translation>
    </message>
    <message>
        <source>Next Slide</source>
        <translation>Diapositive suivante</translation>
    </message>
    <message>
        <source>BACKSPACE</source>
        <translation>RETOUR ARR.</translation>
    </message>
    <message>
        <source>Preplay Current Slide</source>
        <translation>Rejouer la diapositive</translation>
    </message>
    <message>
        <source>Type &quot;Q&quot;,&quot;U&quot;,&quot;I&quot;,&quot;T&quot; to return</source>
        <translation>Tapez Q, U, I puis T pour revenir</translation>
    </message>
</context>
<context>
    <name>TForm_options</name>
    <message>
        <source>Data</source>
        <translation>Données</translation>
    </message>
    <message>
        <source>Folder to scan for data</source>
        <translation>Dossier où chercher les images et les sons</translation>
    </message>
    <message>
        <source>Include Subfolders</source>
        <translation>Avec sous-dossiers</translation>
    </message>
    <message>
        <source>Also use .jpeg, .gif, .webp, .heic, .avif, .ogg, .opus, .flac and .m4a files</source>
        <translation>Utiliser aussi les fichiers .jpeg, .gif, .webp, .heic, .avif, .ogg, .opus, .flac et .m4a</translation>
    </message>
    <message>
        <source>Play Sounds</source>
        <translation>Avec sons</translation>
    </message>
    <message>
        <source>Say the caption when a slide has no sound</source>
        <translation>Lire la légende à voix haute quand une diapositive n&apos;a pas de son</translation>
    </message>
    <message>
        <source>Display Images</source>
        <translation>Avec images</translation>
    </message>
    <message>
        <source>Captions Capitalization</source>
        <translation>Écriture des légendes</translation>
    </message>
    <message>
        <source>Unchanged </source>
        <translation>Sans changement </translation>
    </message>
    <message>
        <source>Uppercase</source>
        <translation>En majuscules</translation>
    </message>
    <message>
        <source>Lowercase</source>
        <translation>En minuscules</translation>
    </message>
    <message>
        <source>Display Captions</source>
        <translation>Afficher les légendes</translation>
    </message>
    <message>
        <source>Always</source>
        <translation>Toujours</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Jamais</translation>
    </message>
    <message>
        <source>When there is no image</source>
        <translation>S&apos;il n&apos;y a pas d&apos;image</translation>
    </message>
    <message>
        <source>Background Color</source>
        <translation>Couleur de fond</translation>
    </message>
    <message>
        <source>Automatic color selection</source>
        <translation>Couleur automatique</translation>
    </message>
    <message>
        <source>Stretch images</source>
        <translation>Étirer l&apos;image</translation>
    </message>
    <message>
        <source>Presentation</source>
        <translation>Présentation</translation>
    </message>
    <message>
        <source>Order</source>
        <translation>Ordre</translation>
    </message>
    <message>
        <source>Unsorted</source>
        <translation>Sans tri</translation>
    </message>
    <message>
        <source>Alphabetical Order (on caption)</source>
        <translation>Ordre alphabétique (selon la légende)</translation>
    </message>
    <message>
        <source>Random Order</source>
        <translation>Ordre aléatoire</translation>
    </message>
    <message>
        <source>Advance</source>
        <translation>Défilement</translation>
    </message>
    <message>
        <source>Advance with keypress</source>
        <translation>Avancer avec une touche</translation>
    </message>
    <message>
        <source>A click or a tap shows the next slide</source>
        <translation>Avancer avec un clic ou un appui sur l&apos;écran</translation>
    </message>
    <message>
        <source>Advance interval (msec)</source>
        <translation>Délai entre diapositives (ms)</translation>
    </message>
    <message>
        <source>Auto Advance</source>
        <translation>Automatique</translation>
    </message>
    <message>
        <source>Lock keyboard  (i.e. disable Alt-Tab, Win-key, F-keys, etc)</source>
        <translation>Verrouiller le clavier (sans Alt-Tab, touche Win, F1, etc.)</translation>
    </message>
    <message>
        <source>Keyboard</source>
        <translation>Clavier</translation>
    </message>
    <message>
        <source>Show splash screen with keyboard help</source>
        <translation>Afficher d&apos;abord l&apos;aide des touches</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Select Captions Font </source>
        <translation>Police des légendes </translation>
    </message>
    <message>
        <source>Default Background Color</source>
        <translation>Couleur par défaut</translation>
    </message>
    <message>
        <source>Data Folder,</source>
        <translation>Dossier des données</translation>
    </message>
</context>
<context>
    <name>TForm_scanning</name>
    <message>
        <source>Looking for pictures and sounds in:</source>
        <translation>Recherche des images et des sons dans&#xa0;:</translation>
    </message>
    <message>
        <source>The show starts as soon as the search is over.</source>
        <translation>Le diaporama commence dès la fin de la recherche.</translation>
    </message>
    <message>
        <source>Folders: %1</source>
        <translation>Dossiers&#xa0;: %1</translation>
    </message>
    <message>
        <source>Files: %1</source>
        <translation>Fichiers&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>TSlideListModel</name>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Image Filename</source>
        <translation>Fichier image</translation>
    </message>
    <message>
        <source>Sound Filename</source>
        <translation>Fichier son</translation>
    </message>
</context>
<context>
    <name>TStatusNotes</name>
    <message>
        <source>Sounds cannot be played: %1</source>
        <translation>Impossible de lire les sons&#xa0;: %1</translation>
    </message>
    <message>
        <source>1 picture or sound lies too deep in the data folder to be opened</source>
        <translation>1 image ou son se trouve trop profondément dans le dossier des données pour être ouvert</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures and sounds lie too deep in the data folder to be opened</source>
        <translation>
            <numerusform>%n image ou son se trouve trop profondément dans le dossier des données pour être ouvert</numerusform>
            <numerusform>%n images et sons se trouvent trop profondément dans le dossier des données pour être ouverts</numerusform>
        </translation>
    </message>
    <message>
        <source>1 picture or sound of another kind (such as .heic or .m4a) is left out: Options, Data turns such files on</source>
        <translation>1 image ou son d&apos;un autre type (comme .heic ou .m4a) est ignoré&#xa0;: activez ces fichiers dans Options, Données</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures and sounds of other kinds (such as .heic or .m4a) are left out: Options, Data turns such files on</source>
        <translation>
            <numerusform>%n image ou son d&apos;un autre type (comme .heic ou .m4a) est ignoré&#xa0;: activez ces fichiers dans Options, Données</numerusform>
            <numerusform>%n images et sons d&apos;autres types (comme .heic ou .m4a) sont ignorés&#xa0;: activez ces fichiers dans Options, Données</numerusform>
        </translation>
    </message>
    <message>
        <source>The last show was not locked: %1</source>
        <translation>Le dernier diaporama n&apos;était pas verrouillé&#xa0;: %1</translation>
    </message>
    <message>
        <source>; </source>
        <translation>&#xa0;; </translation>
    </message>
</context>
<context>
    <name>TextForms</name>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>«&#xa0;%1&#xa0;» n&apos;est pas un nombre entier valide</translation>
    </message>
</context>
<context>
    <name>Tform_main</name>
    <message>
        <source>Preview</source>
        <translation>Aperçu</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>&amp;Lancer</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>&amp;Contents...</source>
        <translation>&amp;Sommaire...</translation>
    </message>
    <message>
        <source>&amp;Topic search...</source>
        <translation>&amp;Rechercher un sujet...</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>À &amp;propos...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>There are no pictures or sounds to show in &quot;%1&quot;.</source>
        <translation>Il n&apos;y a aucune image ni aucun son à afficher dans «&#xa0;%1&#xa0;».</translation>
    </message>
</context>
</TS>
