<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>CommandLine</name>
    <message>
        <source>Start the show at once with the current settings, without the main window; the program ends when the show does.</source>
        <translation>Inicia la presentación enseguida con la configuración actual, sin la ventana principal; el programa se cierra al terminar la presentación.</translation>
    </message>
    <message>
        <source>Test the keyboard lock on this desktop: take what a locked show takes for at most two seconds, give it back and print one line for each. Exit status 0 when the keyboard was held, 1 when not. No settings are read or written.</source>
        <translation>Prueba el bloqueo del teclado en este escritorio: retiene durante dos segundos como máximo lo mismo que una presentación bloqueada, lo libera y muestra una línea por cada elemento. Código de salida 0 si el teclado quedó retenido, 1 si no. No se lee ni se escribe ninguna configuración.</translation>
    </message>
    <message>
        <source>Bimbalo: a picture-and-sound slide show for small children.
Pictures and sounds of the same name make a slide; any key steps the show, Q U I T typed in this order ends it.</source>
        <translation>Bimbalo: una presentación de imágenes y sonidos para niños pequeños.
Una imagen y un sonido con el mismo nombre forman una diapositiva; cualquier tecla hace avanzar la presentación y teclear Q U I T en este orden la termina.</translation>
    </message>
    <message>
        <source>FOLDER</source>
        <translation>CARPETA</translation>
    </message>
    <message>
        <source>The folder of pictures and sounds for this run; the folder in the settings stays as it is.</source>
        <translation>La carpeta de imágenes y sonidos para esta ejecución; la carpeta de la configuración no cambia.</translation>
    </message>
    <message>
        <source>[FOLDER]</source>
        <translation>[CARPETA]</translation>
    </message>
    <message>
        <source>Only one FOLDER can be given.</source>
        <translation>Solo se puede indicar una CARPETA.</translation>
    </message>
    <message>
        <source>FOLDER is empty.</source>
        <translation>CARPETA no puede estar en blanco.</translation>
    </message>
    <message>
        <source>--check-lock takes neither --show nor FOLDER.</source>
        <translation>--check-lock no admite ni --show ni CARPETA.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; does not exist.</source>
        <translation>La carpeta «%1» no existe.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a folder.</source>
        <translation>«%1» no es una carpeta.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; cannot be read.</source>
        <translation>No se puede leer la carpeta «%1».</translation>
    </message>
    <message>
        <source>Try &quot;bimbalo --help&quot; for more information.</source>
        <translation>Pruebe «bimbalo --help» para obtener más información.</translation>
    </message>
</context>
<context>
    <name>ErrorReport</name>
    <message>
        <source>Unknown error</source>
        <translation>Error desconocido</translation>
    </message>
</context>
<context>
    <name>HelpViewer</name>
    <message>
        <source>Bimbalo Help</source>
        <translation>Ayuda de Bimbalo</translation>
    </message>
</context>
<context>
    <name>IniFile</name>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation>No se puede abrir el archivo «%1». %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>No se puede crear el archivo «%1». %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. The file is read-only</source>
        <translation>No se puede crear el archivo «%1». El archivo es de solo lectura</translation>
    </message>
</context>
<context>
    <name>Pictures</name>
    <message>
        <source>Cannot load picture &quot;%1&quot;: %2</source>
        <translation>No se puede cargar la imagen «%1»: %2</translation>
    </message>
    <message>
        <source>the decoder gave no picture</source>
        <translation>el decodificador no devolvió ninguna imagen</translation>
    </message>
    <message>
        <source>the picture has no pixels</source>
        <translation>la imagen no tiene píxeles</translation>
    </message>
    <message>
        <source>%1 x %2 pixels is more than the 100 megapixels allowed</source>
        <translation>%1 x %2 píxeles superan los 100 megapíxeles permitidos</translation>
    </message>
    <message>
        <source>not enough memory for %1 x %2 pixels</source>
        <translation>no hay memoria suficiente para %1 x %2 píxeles</translation>
    </message>
    <message>
        <source>the file does not exist</source>
        <translation>el archivo no existe</translation>
    </message>
    <message>
        <source>it is a folder, not a file</source>
        <translation>es una carpeta, no un archivo</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>no es un archivo normal</translation>
    </message>
    <message>
        <source>the file is larger than 512 MiB</source>
        <translation>el archivo ocupa más de 512 MiB</translation>
    </message>
    <message>
        <source>cannot open the file (%1)</source>
        <translation>no se puede abrir el archivo (%1)</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>el archivo está vacío</translation>
    </message>
    <message>
        <source>cannot read the file (%1)</source>
        <translation>no se puede leer el archivo (%1)</translation>
    </message>
    <message>
        <source>not a %1 file (%2)</source>
        <translation>no es un archivo %1 (%2)</translation>
    </message>
    <message>
        <source>damaged or truncated %1 file (%2)</source>
        <translation>archivo %1 dañado o incompleto (%2)</translation>
    </message>
    <message>
        <source>the picture is too large: %1</source>
        <translation>la imagen es demasiado grande: %1</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>no hay memoria suficiente</translation>
    </message>
</context>
<context>
    <name>TCaptionFontDialog</name>
    <message>
        <source>&amp;Colour...</source>
        <translation>Co&amp;lor...</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Tipo de letra</translation>
    </message>
    <message>
        <source>Colour:</source>
        <translation>Color:</translation>
    </message>
</context>
<context>
    <name>TForm_about</name>
    <message>
        <source>About</source>
        <translation>Acerca de</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>TForm_instructions</name>
    <message>
        <source>You are about to run slide show in full screen !</source>
        <translation>¡Empieza la presentación a pantalla completa!</translation>
    </message>
    <message>
        <source>Keys: </source>
        <translation>Teclas: </translation>
    </message>
    <message>
        <source>PAGE UP</source>
        <translation>RE PÁG</translation>
    </message>
    <message>
        <source>Previous Slide</source>
        <translation>Diapositiva anterior</translation>
    </message>
    <message>
        <source>PAGE DOWN</source>
        <translation>AV PÁG</translation>
    </message>
    <message>
        <source>Next Slide</source>
        <translation>Diapositiva siguiente</translation>
    </message>
    <message>
        <source>BACKSPACE</source>
        <translation>RETROCESO</translation>
    </message>
    <message>
        <source>Preplay Current Slide</source>
        <translation>Repetir diapositiva</translation>
    </message>
    <message>
        <source>Type &quot;Q&quot;,&quot;U&quot;,&quot;I&quot;,&quot;T&quot; to return</source>
        <translation>Teclee «Q»,«U»,«I»,«T» para volver</translation>
    </message>
</context>
<context>
    <name>TForm_options</name>
    <message>
        <source>Data</source>
        <translation>Datos</translation>
    </message>
    <message>
        <source>Folder to scan for data</source>
        <translation>Carpeta donde buscar imágenes y sonidos</translation>
    </message>
    <message>
        <source>Include Subfolders</source>
        <translation>Incluir subcarpetas</translation>
    </message>
    <message>
        <source>Also use .jpeg, .gif, .webp, .heic, .avif, .ogg, .opus, .flac and .m4a files</source>
        <translation>Usar también archivos .jpeg, .gif, .webp, .heic, .avif, .ogg, .opus, .flac y .m4a</translation>
    </message>
    <message>
        <source>Play Sounds</source>
        <translation>Oír sonidos</translation>
    </message>
    <message>
        <source>Say the caption when a slide has no sound</source>
        <translation>Leer el texto en voz alta si la diapositiva no tiene sonido</translation>
    </message>
    <message>
        <source>Display Images</source>
        <translation>Ver imágenes</translation>
    </message>
    <message>
        <source>Captions Capitalization</source>
        <translation>Mayúsculas y minúsculas</translation>
    </message>
    <message>
        <source>Unchanged </source>
        <translation>Sin cambios </translation>
    </message>
    <message>
        <source>Uppercase</source>
        <translation>Todo en mayúsculas</translation>
    </message>
    <message>
        <source>Lowercase</source>
        <translation>Todo en minúsculas</translation>
    </message>
    <message>
        <source>Display Captions</source>
        <translation>Mostrar texto</translation>
    </message>
    <message>
        <source>Always</source>
        <translation>Siempre</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Nunca</translation>
    </message>
    <message>
        <source>When there is no image</source>
        <translation>Cuando no hay imagen</translation>
    </message>
    <message>
        <source>Background Color</source>
        <translation>Color de fondo</translation>
    </message>
    <message>
        <source>Automatic color selection</source>
        <translation>Color automático</translation>
    </message>
    <message>
        <source>Stretch images</source>
        <translation>Ajustar tamaño</translation>
    </message>
    <message>
        <source>Presentation</source>
        <translation>Presentación</translation>
    </message>
    <message>
        <source>Order</source>
        <translation>Orden</translation>
    </message>
    <message>
        <source>Unsorted</source>
        <translation>Sin ordenar</translation>
    </message>
    <message>
        <source>Alphabetical Order (on caption)</source>
        <translation>Orden alfabético (según el texto)</translation>
    </message>
    <message>
        <source>Random Order</source>
        <translation>Orden aleatorio</translation>
    </message>
    <message>
        <source>Advance</source>
        <translation>Avance de diapositivas</translation>
    </message>
    <message>
        <source>Advance with keypress</source>
        <translation>Avanzar con una tecla</translation>
    </message>
    <message>
        <source>A click or a tap shows the next slide</source>
        <translation>Un clic o un toque pasa a la siguiente diapositiva</translation>
    </message>
    <message>
        <source>Advance interval (msec)</source>
        <translation>Tiempo entre diapositivas (ms)</translation>
    </message>
    <message>
        <source>Auto Advance</source>
        <translation>Automático</translation>
    </message>
    <message>
        <source>Lock keyboard  (i.e. disable Alt-Tab, Win-key, F-keys, etc)</source>
        <translation>Bloquear el teclado (sin Alt-Tab, tecla Win, teclas F, etc.)</translation>
    </message>
    <message>
        <source>Keyboard</source>
        <translation>Teclado</translation>
    </message>
    <message>
        <source>Show splash screen with keyboard help</source>
        <translation>Mostrar la ayuda del teclado al empezar</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Opciones</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Select Captions Font </source>
        <translation>Elegir letra del texto </translation>
    </message>
    <message>
        <source>Default Background Color</source>
        <translation>Color predeterminado</translation>
    </message>
    <message>
        <source>Data Folder,</source>
        <translation>Carpeta de datos</translation>
    </message>
</context>
<context>
    <name>TForm_scanning</name>
    <message>
        <source>Looking for pictures and sounds in:</source>
        <translation>Buscando imágenes y sonidos en:</translation>
    </message>
    <message>
        <source>The show starts as soon as the search is over.</source>
        <translation>La presentación empezará en cuanto termine la búsqueda.</translation>
    </message>
    <message>
        <source>Folders: %1</source>
        <translation>Carpetas: %1</translation>
    </message>
    <message>
        <source>Files: %1</source>
        <translation>Archivos: %1</translation>
    </message>
</context>
<context>
    <name>TSlideListModel</name>
    <message>
        <source>Name</source>
        <translation>Nombre</translation>
    </message>
    <message>
        <source>Image Filename</source>
        <translation>Archivo de imagen</translation>
    </message>
    <message>
        <source>Sound Filename</source>
        <translation>Archivo de sonido</translation>
    </message>
</context>
<context>
    <name>TStatusNotes</name>
    <message>
        <source>Sounds cannot be played: %1</source>
        <translation>No se pueden reproducir los sonidos: %1</translation>
    </message>
    <message>
        <source>1 picture or sound lies too deep in the data folder to be opened</source>
        <translation>1 imagen o sonido está en una subcarpeta demasiado profunda de la carpeta de datos y no se puede abrir</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures and sounds lie too deep in the data folder to be opened</source>
        <translation>
            <numerusform>%n imagen o sonido está en una subcarpeta demasiado profunda de la carpeta de datos y no se puede abrir</numerusform>
            <numerusform>%n imágenes y sonidos están en subcarpetas demasiado profundas de la carpeta de datos y no se pueden abrir</numerusform>
        </translation>
    </message>
    <message>
        <source>1 picture or sound of another kind (such as .heic or .m4a) is left out: Options, Data turns such files on</source>
        <translation>1 imagen o sonido de otro tipo (como .heic o .m4a) se ha dejado fuera: active estos archivos en Opciones, Datos</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures and sounds of other kinds (such as .heic or .m4a) are left out: Options, Data turns such files on</source>
        <translation>
            <numerusform>%n imagen o sonido de otro tipo (como .heic o .m4a) se ha dejado fuera: active estos archivos en Opciones, Datos</numerusform>
            <numerusform>%n imágenes y sonidos de otros tipos (como .heic o .m4a) se han dejado fuera: active estos archivos en Opciones, Datos</numerusform>
        </translation>
    </message>
    <message>
        <source>The last show was not locked: %1</source>
        <translation>En la última presentación no se bloqueó el teclado: %1</translation>
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
        <translation>«%1» no es un número entero válido</translation>
    </message>
</context>
<context>
    <name>Tform_main</name>
    <message>
        <source>Preview</source>
        <translation>Vista previa</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>&amp;Iniciar</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Opciones</translation>
    </message>
    <message>
        <source>&amp;Contents...</source>
        <translation>&amp;Contenido...</translation>
    </message>
    <message>
        <source>&amp;Topic search...</source>
        <translation>&amp;Buscar un tema...</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>&amp;Acerca de...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>A&amp;yuda</translation>
    </message>
    <message>
        <source>There are no pictures or sounds to show in &quot;%1&quot;.</source>
        <translation>No hay imágenes ni sonidos que mostrar en «%1».</translation>
    </message>
</context>
</TS>
