<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>CommandLine</name>
    <message>
        <source>Start the show at once with the current settings, without the main window; the program ends when the show does.</source>
        <translation>Сразу начать показ с текущими настройками, без главного окна; программа завершается вместе с показом.</translation>
    </message>
    <message>
        <source>Test the keyboard lock on this desktop: take what a locked show takes for at most two seconds, give it back and print one line for each. Exit status 0 when the keyboard was held, 1 when not. No settings are read or written.</source>
        <translation>Проверить блокировку клавиатуры на этом рабочем столе: захватить то, что захватывает показ с блокировкой, не дольше чем на две секунды, затем отпустить и вывести по строке на каждое. Код выхода 0, если клавиатура была захвачена, и 1, если нет. Настройки не читаются и не записываются.</translation>
    </message>
    <message>
        <source>Bimbalo: a picture-and-sound slide show for small children.
Pictures and sounds of the same name make a slide; any key steps the show, Q U I T typed in this order ends it.</source>
        <translation>Bimbalo: показ картинок и звуков для малышей.
Картинка и звук с одинаковым именем составляют слайд; любая клавиша листает слайды, а Q U I T, набранные по порядку, завершают показ.</translation>
    </message>
    <message>
        <source>FOLDER</source>
        <translation>ПАПКА</translation>
    </message>
    <message>
        <source>The folder of pictures and sounds for this run; the folder in the settings stays as it is.</source>
        <translation>Папка с картинками и звуками для этого запуска; папка в настройках остаётся прежней.</translation>
    </message>
    <message>
        <source>[FOLDER]</source>
        <translation>[ПАПКА]</translation>
    </message>
    <message>
        <source>Only one FOLDER can be given.</source>
        <translation>ПАПКА может быть только одна.</translation>
    </message>
    <message>
        <source>FOLDER is empty.</source>
        <translation>ПАПКА задана пустой строкой.</translation>
    </message>
    <message>
        <source>--check-lock takes neither --show nor FOLDER.</source>
        <translation>С --check-lock не указываются ни --show, ни ПАПКА.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; does not exist.</source>
        <translation>Папка «%1» не существует.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a folder.</source>
        <translation>«%1» — не папка.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; cannot be read.</source>
        <translation>Не удаётся прочитать папку «%1».</translation>
    </message>
    <message>
        <source>Try &quot;bimbalo --help&quot; for more information.</source>
        <translation>Подробнее см. «bimbalo --help».</translation>
    </message>
</context>
<context>
    <name>ErrorReport</name>
    <message>
        <source>Unknown error</source>
        <translation>Неизвестная ошибка</translation>
    </message>
</context>
<context>
    <name>HelpViewer</name>
    <message>
        <source>Bimbalo Help</source>
        <translation>Справка Bimbalo</translation>
    </message>
</context>
<context>
    <name>IniFile</name>
    <message>
        <source>Cannot open file &quot;%1&quot;. %2</source>
        <translation>Не удаётся открыть файл «%1». %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Не удаётся создать файл «%1». %2</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;. The file is read-only</source>
        <translation>Не удаётся создать файл «%1». Файл доступен только для чтения</translation>
    </message>
</context>
<context>
    <name>Pictures</name>
    <message>
        <source>Cannot load picture &quot;%1&quot;: %2</source>
        <translation>Не удаётся загрузить картинку «%1»: %2</translation>
    </message>
    <message>
        <source>the decoder gave no picture</source>
        <translation>декодер не выдал картинку</translation>
    </message>
    <message>
        <source>the picture has no pixels</source>
        <translation>в картинке нет ни одного пикселя</translation>
    </message>
    <message>
        <source>%1 x %2 pixels is more than the 100 megapixels allowed</source>
        <translation>размер %1 × %2 больше допустимых 100 мегапикселей</translation>
    </message>
    <message>
        <source>not enough memory for %1 x %2 pixels</source>
        <translation>не хватает памяти для картинки %1 × %2</translation>
    </message>
    <message>
        <source>the file does not exist</source>
        <translation>файл не существует</translation>
    </message>
    <message>
        <source>it is a folder, not a file</source>
        <translation>это папка, а не файл</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>это не обычный файл</translation>
    </message>
    <message>
        <source>the file is larger than 512 MiB</source>
        <translation>файл больше 512 MiB</translation>
    </message>
    <message>
        <source>cannot open the file (%1)</source>
        <translation>не удаётся открыть файл (%1)</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>файл пуст</translation>
    </message>
    <message>
        <source>cannot read the file (%1)</source>
        <translation>не удаётся прочитать файл (%1)</translation>
    </message>
    <message>
        <source>not a %1 file (%2)</source>
        <translation>это не файл %1 (%2)</translation>
    </message>
    <message>
        <source>damaged or truncated %1 file (%2)</source>
        <translation>файл %1 повреждён или обрезан (%2)</translation>
    </message>
    <message>
        <source>the picture is too large: %1</source>
        <translation>картинка слишком большая: %1</translation>
    </message>
    <message>
        <source>not enough memory</source>
        <translation>не хватает памяти</translation>
    </message>
</context>
<context>
    <name>TCaptionFontDialog</name>
    <message>
        <source>&amp;Colour...</source>
        <translation>&amp;Цвет...</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Шрифт</translation>
    </message>
    <message>
        <source>Colour:</source>
        <translation>Цвет:</translation>
    </message>
</context>
<context>
    <name>TForm_about</name>
    <message>
        <source>About</source>
        <translation>О программе</translation>
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
        <translation>Сейчас начнётся показ во весь экран!</translation>
    </message>
    <message>
        <source>Keys: </source>
        <translation>Клавиши: </translation>
    </message>
    <message>
        <source>PAGE UP</source>
        <translation>Page Up</translation>
    </message>
    <message>
        <source>Previous Slide</source>
        <translation>Предыдущий слайд</translation>
    </message>
    <message>
        <source>PAGE DOWN</source>
        <translation>Page Down</translation>
    </message>
    <message>
        <source>Next Slide</source>
        <translation>Следующий слайд</translation>
    </message>
    <message>
        <source>BACKSPACE</source>
        <translation>Backspace</translation>
    </message>
    <message>
        <source>Preplay Current Slide</source>
        <translation>Повторить слайд</translation>
    </message>
    <message>
        <source>Type &quot;Q&quot;,&quot;U&quot;,&quot;I&quot;,&quot;T&quot; to return</source>
        <translation>Выход: наберите &quot;Q&quot;,&quot;U&quot;,&quot;I&quot;,&quot;T&quot;</translation>
    </message>
</context>
<context>
    <name>TForm_options</name>
    <message>
        <source>Data</source>
        <translation>Данные</translation>
    </message>
    <message>
        <source>Folder to scan for data</source>
        <translation>Папка с данными (картинки и звуки)</translation>
    </message>
    <message>
        <source>Include Subfolders</source>
        <translation>Включая подпапки</translation>
    </message>
    <message>
        <source>Also use .jpeg, .gif, .webp, .heic, .avif, .ogg, .opus, .flac and .m4a files</source>
        <translation>Использовать также файлы .jpeg, .gif, .webp, .heic, .avif, .ogg, .opus, .flac и .m4a</translation>
    </message>
    <message>
        <source>Play Sounds</source>
        <translation>Со звуком</translation>
    </message>
    <message>
        <source>Say the caption when a slide has no sound</source>
        <translation>Произносить подпись, если у слайда нет звука</translation>
    </message>
    <message>
        <source>Display Images</source>
        <translation>С картинками</translation>
    </message>
    <message>
        <source>Captions Capitalization</source>
        <translation>Регистр подписей</translation>
    </message>
    <message>
        <source>Unchanged </source>
        <translation>Без изменений </translation>
    </message>
    <message>
        <source>Uppercase</source>
        <translation>Заглавные буквы</translation>
    </message>
    <message>
        <source>Lowercase</source>
        <translation>Строчные буквы</translation>
    </message>
    <message>
        <source>Display Captions</source>
        <translation>Показывать подписи</translation>
    </message>
    <message>
        <source>Always</source>
        <translation>Всегда</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Никогда</translation>
    </message>
    <message>
        <source>When there is no image</source>
        <translation>Когда нет картинки</translation>
    </message>
    <message>
        <source>Background Color</source>
        <translation>Цвет фона</translation>
    </message>
    <message>
        <source>Automatic color selection</source>
        <translation>Автоматически</translation>
    </message>
    <message>
        <source>Stretch images</source>
        <translation>Во весь экран</translation>
    </message>
    <message>
        <source>Presentation</source>
        <translation>Показ</translation>
    </message>
    <message>
        <source>Order</source>
        <translation>Порядок слайдов</translation>
    </message>
    <message>
        <source>Unsorted</source>
        <translation>Без сортировки</translation>
    </message>
    <message>
        <source>Alphabetical Order (on caption)</source>
        <translation>По алфавиту (по подписи)</translation>
    </message>
    <message>
        <source>Random Order</source>
        <translation>Случайный порядок</translation>
    </message>
    <message>
        <source>Advance</source>
        <translation>Смена слайдов</translation>
    </message>
    <message>
        <source>Advance with keypress</source>
        <translation>По нажатию клавиши</translation>
    </message>
    <message>
        <source>A click or a tap shows the next slide</source>
        <translation>Щелчок или касание — следующий слайд</translation>
    </message>
    <message>
        <source>Advance interval (msec)</source>
        <translation>Интервал смены (мс)</translation>
    </message>
    <message>
        <source>Auto Advance</source>
        <translation>По таймеру</translation>
    </message>
    <message>
        <source>Lock keyboard  (i.e. disable Alt-Tab, Win-key, F-keys, etc)</source>
        <translation>Блокировать клавиатуру (Alt-Tab, Win, F1–F12 и др.)</translation>
    </message>
    <message>
        <source>Keyboard</source>
        <translation>Клавиатура</translation>
    </message>
    <message>
        <source>Show splash screen with keyboard help</source>
        <translation>Показывать подсказку по клавишам</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Параметры</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Select Captions Font </source>
        <translation>Шрифт подписей </translation>
    </message>
    <message>
        <source>Default Background Color</source>
        <translation>Цвет по умолчанию</translation>
    </message>
    <message>
        <source>Data Folder,</source>
        <translation>Папка с данными</translation>
    </message>
</context>
<context>
    <name>TForm_scanning</name>
    <message>
        <source>Looking for pictures and sounds in:</source>
        <translation>Поиск картинок и звуков в папке:</translation>
    </message>
    <message>
        <source>The show starts as soon as the search is over.</source>
        <translation>Показ начнётся, как только поиск закончится.</translation>
    </message>
    <message>
        <source>Folders: %1</source>
        <translation>Папок: %1</translation>
    </message>
    <message>
        <source>Files: %1</source>
        <translation>Файлов: %1</translation>
    </message>
</context>
<context>
    <name>TSlideListModel</name>
    <message>
        <source>Name</source>
        <translation>Название</translation>
    </message>
    <message>
        <source>Image Filename</source>
        <translation>Файл картинки</translation>
    </message>
    <message>
        <source>Sound Filename</source>
        <translation>Файл звука</translation>
    </message>
</context>
<context>
    <name>TStatusNotes</name>
    <message>
        <source>Sounds cannot be played: %1</source>
        <translation>Не удаётся воспроизвести звуки: %1</translation>
    </message>
    <message>
        <source>1 picture or sound lies too deep in the data folder to be opened</source>
        <translation>1 файл с картинкой или звуком лежит слишком глубоко в папке с данными и не откроется</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures and sounds lie too deep in the data folder to be opened</source>
        <translation>
            <numerusform>%n файл с картинками и звуками лежит слишком глубоко в папке с данными и не откроется</numerusform>
            <numerusform>%n файла с картинками и звуками лежат слишком глубоко в папке с данными и не откроются</numerusform>
            <numerusform>%n файлов с картинками и звуками лежат слишком глубоко в папке с данными и не откроются</numerusform>
        </translation>
    </message>
    <message>
        <source>1 picture or sound of another kind (such as .heic or .m4a) is left out: Options, Data turns such files on</source>
        <translation>Пропущен 1 файл с картинкой или звуком другого формата (например, .heic или .m4a): включить такие файлы можно в окне «Параметры», на вкладке «Данные»</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures and sounds of other kinds (such as .heic or .m4a) are left out: Options, Data turns such files on</source>
        <translation>
            <numerusform>Пропущен %n файл с картинками и звуками других форматов (например, .heic или .m4a): включить такие файлы можно в окне «Параметры», на вкладке «Данные»</numerusform>
            <numerusform>Пропущено %n файла с картинками и звуками других форматов (например, .heic или .m4a): включить такие файлы можно в окне «Параметры», на вкладке «Данные»</numerusform>
            <numerusform>Пропущено %n файлов с картинками и звуками других форматов (например, .heic или .m4a): включить такие файлы можно в окне «Параметры», на вкладке «Данные»</numerusform>
        </translation>
    </message>
    <message>
        <source>The last show was not locked: %1</source>
        <translation>Прошлый показ шёл без блокировки клавиатуры: %1</translation>
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
        <translation>«%1» — не целое число</translation>
    </message>
</context>
<context>
    <name>Tform_main</name>
    <message>
        <source>Preview</source>
        <translation>Просмотр</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>&amp;Запуск</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Параметры</translation>
    </message>
    <message>
        <source>&amp;Contents...</source>
        <translation>&amp;Содержание...</translation>
    </message>
    <message>
        <source>&amp;Topic search...</source>
        <translation>&amp;Поиск по теме...</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>&amp;О программе...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Выход</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <source>There are no pictures or sounds to show in &quot;%1&quot;.</source>
        <translation>В папке «%1» нет ни картинок, ни звуков для показа.</translation>
    </message>
</context>
</TS>
