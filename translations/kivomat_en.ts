<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="cs">
<context>
    <name>QObject</name>
    <message>
        <source>folder, modified %1</source>
        <translation>folder, modified %1</translation>
    </message>
    <message>
        <source>%1, modified %2</source>
        <translation>%1, modified %2</translation>
    </message>
    <message>
        <source>Moving</source>
        <translation>Moving</translation>
    </message>
    <message>
        <source>Copying</source>
        <translation>Copying</translation>
    </message>
    <message>
        <source>Moving to the Trash</source>
        <translation>Moving to the Trash</translation>
    </message>
    <message>
        <source>Renaming</source>
        <translation>Renaming</translation>
    </message>
    <message>
        <source>Merge Folders</source>
        <translation>Merge Folders</translation>
    </message>
    <message>
        <source>Replace File</source>
        <translation>Replace File</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; already contains a folder named &quot;%2&quot;.</source>
        <translation>The folder &quot;%1&quot; already contains a folder named &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>Merge the folders? You will be asked about each file that exists in both.</source>
        <translation>Merge the folders? You will be asked about each file that exists in both.</translation>
    </message>
    <message>
        <source>The folder &quot;%1&quot; already contains an entry named &quot;%2&quot;.</source>
        <translation>The folder &quot;%1&quot; already contains an entry named &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>Replace the existing entry (%1)
with the one being %2 (%3)?</source>
        <translation>Replace the existing entry (%1)
with the one being %2 (%3)?</translation>
    </message>
    <message>
        <source>moved</source>
        <translation>moved</translation>
    </message>
    <message>
        <source>copied</source>
        <translation>copied</translation>
    </message>
    <message>
        <source>&amp;Merge</source>
        <translation>&amp;Merge</translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation>&amp;Replace</translation>
    </message>
    <message>
        <source>&amp;Skip</source>
        <translation>&amp;Skip</translation>
    </message>
    <message>
        <source>Do the same for all remaining conflicts</source>
        <translation>Do the same for all remaining conflicts</translation>
    </message>
    <message>
        <source>Do you really want to move &quot;%1&quot; to the Trash?</source>
        <translation>Do you really want to move &quot;%1&quot; to the Trash?</translation>
    </message>
    <message>
        <source>Do you really want to move these %1 items to the Trash?</source>
        <translation>Do you really want to move these %1 items to the Trash?</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>Move to Trash</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>kivo::AskBeforeOpening</name>
    <message>
        <source>„%1“ je spouštěč aplikace (soubor .desktop).</source>
        <translation>“%1” is an application launcher (a .desktop file).</translation>
    </message>
    <message>
        <source>„%1“ je spustitelný program.</source>
        <translation>“%1” is an executable program.</translation>
    </message>
    <message>
        <source>„%1“ je skript.</source>
        <translation>“%1” is a script.</translation>
    </message>
    <message>
        <source>Soubor z neznámého zdroje může poškodit vaše data. Chcete ho spustit, nebo jen zobrazit jeho obsah?</source>
        <translation>A file from an unknown source can harm your data. Do you want to run it, or only display its contents?</translation>
    </message>
    <message>
        <source>&amp;Spustit</source>
        <translation>&amp;Run</translation>
    </message>
    <message>
        <source>&amp;Zobrazit</source>
        <translation>&amp;Display</translation>
    </message>
    <message>
        <source>Z&amp;rušit</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>kivo::FolderEdit</name>
    <message>
        <source>Výbrr adresáře</source>
        <translation>Choose a folder</translation>
    </message>
</context>
<context>
    <name>kivo::LaunchFile</name>
    <message>
        <source>Spouštěč „%1“ není nainstalován ve složce aplikací, proto se nespustí.</source>
        <translation>The launcher “%1” is not installed in an applications folder, so it is not run.</translation>
    </message>
</context>
<context>
    <name>kivo::RegisterShellVerb</name>
    <message>
        <source>Chyba 1</source>
        <translation>Error 1</translation>
    </message>
    <message>
        <source>Chyba 2</source>
        <translation>Error 2</translation>
    </message>
</context>
<context>
    <name>kivo::TFDCExif</name>
    <message>
        <source>Datum+čas dle EXIF</source>
        <translation>Date+time from EXIF</translation>
    </message>
    <message>
        <source>soubor</source>
        <translation>file</translation>
    </message>
    <message>
        <source>stávající</source>
        <translation>current</translation>
    </message>
    <message>
        <source>úprava</source>
        <translation>new</translation>
    </message>
    <message>
        <source>EXIF změna</source>
        <translation>EXIF modified</translation>
    </message>
    <message>
        <source>EXIF pořízení</source>
        <translation>EXIF taken</translation>
    </message>
    <message>
        <source>EXIF digitalizace</source>
        <translation>EXIF digitized</translation>
    </message>
    <message>
        <source>&amp;označ vše</source>
        <translation>Select &amp;all</translation>
    </message>
    <message>
        <source>označ vše &amp;bez úpravy</source>
        <translation>Select all &amp;without a new value</translation>
    </message>
    <message>
        <source>&amp;odstraň ze seznamu</source>
        <translation>&amp;Remove from the list</translation>
    </message>
    <message>
        <source>Úprava podle:</source>
        <translation>Set from:</translation>
    </message>
    <message>
        <source>vyber nejnižší</source>
        <translation>pick the earliest</translation>
    </message>
    <message>
        <source>stávající-změna</source>
        <translation>current-adjust</translation>
    </message>
    <message>
        <source>úprava-změna</source>
        <translation>new-adjust</translation>
    </message>
    <message>
        <source>neupravovat</source>
        <translation>leave unchanged</translation>
    </message>
    <message>
        <source>odstraň</source>
        <translation>remove</translation>
    </message>
    <message>
        <source>Proveď a ponech</source>
        <translation>Apply and keep</translation>
    </message>
    <message>
        <source>Proveď a odstraň</source>
        <translation>Apply and remove</translation>
    </message>
    <message>
        <source>Zruš</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>EXIF podle časového &amp;pásma</source>
        <translation>EXIF by time &amp;zone</translation>
    </message>
    <message>
        <source>chybějící pořízení z &amp;XMP</source>
        <translation>missing taken date from &amp;XMP</translation>
    </message>
    <message>
        <source>soubor bez údaje EXIF pořízení vezme datum z XMP (v souboru nebo v souboru .xmp vedle něj)</source>
        <translation>a file without an EXIF taken date takes the date from XMP (in the file or in the .xmp file beside it)</translation>
    </message>
    <message>
        <source>údaje EXIF uložené s časovým posunem (OffsetTime) ukáže jako přesný okamžik v místním čase tohoto počítače</source>
        <translation>shows EXIF dates stored with a time offset (OffsetTime) as the exact moment in this computer&apos;s local time</translation>
    </message>
    <message>
        <source>Opravené údaje EXIF (tučně) se zapíší přímo do fotografií tlačítkem „Proveď“; „neupravovat“ opravu zruší.</source>
        <translation>The corrected EXIF dates (in bold) are written into the photos themselves by “Apply”; “leave unchanged” drops the correction.</translation>
    </message>
    <message>
        <source>EXIF nelze opravit</source>
        <translation>EXIF cannot be corrected</translation>
    </message>
    <message>
        <source>EXIF nezapsáno</source>
        <translation>EXIF not written</translation>
    </message>
    <message>
        <source>bylo: %1</source>
        <translation>was: %1</translation>
    </message>
    <message>
        <source>Změny nelze vrátit zpět: %1</source>
        <translation>The changes cannot be undone: %1</translation>
    </message>
    <message>
        <source>Načítám %1 z %2…</source>
        <translation>Reading %1 of %2…</translation>
    </message>
</context>
<context>
    <name>kivo::TFHlavni</name>
    <message>
        <source>&amp;datum+čas (EXIF) ..</source>
        <translation>&amp;date+time (EXIF) ..</translation>
    </message>
    <message>
        <source>nastaví datum a čas vybraných souborů nejen podle informací EXIF uložených v jednotlivých souborech - formulář</source>
        <translation>sets the date and time of the selected files, not only from the EXIF data stored in each file - form</translation>
    </message>
    <message>
        <source>&amp;přesun obrázků z:</source>
        <translation>&amp;move pictures from:</translation>
    </message>
    <message>
        <source>přesune všechny obrázky z vybraného adresáře a podadresářů do aktivního adresáře</source>
        <translation>moves all pictures from the chosen folder and its subfolders into the current folder</translation>
    </message>
    <message>
        <source>&amp;včetně podadresářů</source>
        <translation>including &amp;subfolders</translation>
    </message>
    <message>
        <source>i &amp;RAW soubory</source>
        <translation>also &amp;RAW files</translation>
    </message>
    <message>
        <source>přesune také soubory RAW z fotoaparátů (CR2, CR3, NEF, ARW, DNG, ORF, RAF, ...)</source>
        <translation>also moves the cameras&apos; RAW files (CR2, CR3, NEF, ARW, DNG, ORF, RAF, ...)</translation>
    </message>
    <message>
        <source>&amp;názvu souboru ..</source>
        <translation>file &amp;names ..</translation>
    </message>
    <message>
        <source>přejmenuje označené soubory podle zvoleného formátu - formulář</source>
        <translation>renames the selected files after the chosen format - form</translation>
    </message>
    <message>
        <source>&amp;Formát:</source>
        <translation>&amp;Format:</translation>
    </message>
    <message>
        <source>YYYY=rok	MM=měsíc	DD=den
hh=hodina	mm=minuta	ss=sekunda
##, ###, ####=pořadové číslo</source>
        <translation>YYYY=year	MM=month	DD=day
hh=hour	mm=minute	ss=second
##, ###, ####=sequence number</translation>
    </message>
    <message>
        <source>&amp;Info</source>
        <translation>&amp;Info</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>velké ikony</source>
        <translation>large icons</translation>
    </message>
    <message>
        <source>malé ikony</source>
        <translation>small icons</translation>
    </message>
    <message>
        <source>seznam</source>
        <translation>list</translation>
    </message>
    <message>
        <source>podropnosti</source>
        <translation>details</translation>
    </message>
    <message>
        <source>nová složka</source>
        <translation>new folder</translation>
    </message>
    <message>
        <source>vytvoří nový adresář (složku)</source>
        <translation>creates a new folder</translation>
    </message>
    <message>
        <source>Složku &quot;%1&quot; nelze vytvořit v %2</source>
        <translation>The folder &quot;%1&quot; cannot be created in %2</translation>
    </message>
    <message>
        <source>Opravdu přesunout všechny obrázky z adresáře<byte value="xd"/>
%1%2<byte value="xd"/>
do adresáře<byte value="xd"/>
%3 ?</source>
        <translation>Really move all pictures from the folder<byte value="xd"/>
%1%2<byte value="xd"/>
to the folder<byte value="xd"/>
%3?</translation>
    </message>
    <message>
        <source> (včetně podadresářů)</source>
        <translation> (including subfolders)</translation>
    </message>
    <message>
        <source>Obrázky lze přesunout jen do adresáře, ne do seznamu jednotek</source>
        <translation>Pictures can be moved only into a folder, not into the list of drives</translation>
    </message>
    <message>
        <source>Nová složka</source>
        <translation>New folder</translation>
    </message>
    <message>
        <source>Opravdu přesunou celý adresář<byte value="xd"/>
%1 ?</source>
        <translation>Really move the whole folder<byte value="xd"/>
%1?</translation>
    </message>
    <message>
        <source>yyyy.mm.dd</source>
        <translation>yyyy-mm-dd</translation>
    </message>
    <message>
        <source>rozdělí obrázky do adresářů podle data pořízení (EXIF), jinak podle data souboru</source>
        <translation>sorts the pictures into folders by the date taken (EXIF), otherwise by the file date</translation>
    </message>
    <message>
        <source>do jednoho adresáře</source>
        <translation>into one folder</translation>
    </message>
    <message>
        <source>do adresářů %1</source>
        <translation>into folders %1</translation>
    </message>
    <message>
        <source>shodné soubory do &amp;koše</source>
        <translation>identical files to the &amp;Trash</translation>
    </message>
    <message>
        <source>obrázek, který už v cíli je se stejným obsahem, přesune do koše; jinak zůstane na místě</source>
        <translation>a picture whose identical copy is already in the destination goes to the Trash; otherwise it stays where it is</translation>
    </message>
    <message>
        <source>obsazený název &amp;očíslovat</source>
        <translation>&amp;number a taken name</translation>
    </message>
    <message>
        <source>jiný obrázek se stejným názvem přesune jako NÁZEV_1.jpg, NÁZEV_2.jpg, ...; nic se nepřepíše</source>
        <translation>a different picture with the same name is moved as NAME_1.jpg, NAME_2.jpg, ...; nothing is overwritten</translation>
    </message>
    <message>
        <source>Úpr&amp;avy</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Historie změn…</source>
        <translation>Change &amp;history…</translation>
    </message>
    <message>
        <source>Změny nelze vrátit zpět: %1</source>
        <translation>The changes cannot be undone: %1</translation>
    </message>
</context>
<context>
    <name>kivo::TFMAbout</name>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Název:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Popis</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Verze:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>Výrobce:</source>
        <translation>Company:</translation>
    </message>
    <message>
        <source>Autorské právo:</source>
        <translation>Copyright:</translation>
    </message>
    <message>
        <source>O.K.</source>
        <translation>O.K.</translation>
    </message>
</context>
<context>
    <name>kivo::TFUprDatCas</name>
    <message>
        <source>Chybný formát</source>
        <translation>Invalid format</translation>
    </message>
    <message>
        <source>Úprava datumu a času</source>
        <translation>Adjust date and time</translation>
    </message>
    <message>
        <source>Velikost:</source>
        <translation>Amount:</translation>
    </message>
    <message>
        <source>Hodnota:</source>
        <translation>Unit:</translation>
    </message>
    <message>
        <source>relativně</source>
        <translation>relative</translation>
    </message>
    <message>
        <source>změnit datum:</source>
        <translation>change date:</translation>
    </message>
    <message>
        <source>změnit čas:</source>
        <translation>change time:</translation>
    </message>
    <message>
        <source>absolutně</source>
        <translation>absolute</translation>
    </message>
    <message>
        <source>Proveď</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Zruš</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Neznámá jednotka „%1“: vyberte jednu ze seznamu.</source>
        <translation>Unknown unit “%1”: choose one from the list.</translation>
    </message>
    <message>
        <source>rok</source>
        <translation>year</translation>
    </message>
    <message>
        <source>měsíc</source>
        <translation>month</translation>
    </message>
    <message>
        <source>den</source>
        <translation>day</translation>
    </message>
    <message>
        <source>hodina</source>
        <translation>hour</translation>
    </message>
    <message>
        <source>minuta</source>
        <translation>minute</translation>
    </message>
    <message>
        <source>sekunda</source>
        <translation>second</translation>
    </message>
    <message>
        <source>časy souborů</source>
        <translation>the file times</translation>
    </message>
    <message>
        <source>všechny tři údaje EXIF v souborech</source>
        <translation>all three EXIF dates in the files</translation>
    </message>
    <message>
        <source>údaje EXIF se opraví přímo ve fotografiích (např. špatně nastavené hodiny fotoaparátu); čas změny souboru zůstane</source>
        <translation>the EXIF dates are corrected in the photos themselves (a camera clock set wrong, for instance); the file&apos;s modification time stays</translation>
    </message>
    <message>
        <source>&amp;Opravit:</source>
        <translation>&amp;Correct:</translation>
    </message>
    <message>
        <source>jen údaj EXIF změna v souborech</source>
        <translation>only the EXIF modified date in the files</translation>
    </message>
    <message>
        <source>jen údaj EXIF pořízení v souborech</source>
        <translation>only the EXIF taken date in the files</translation>
    </message>
    <message>
        <source>jen údaj EXIF digitalizace v souborech</source>
        <translation>only the EXIF digitized date in the files</translation>
    </message>
</context>
<context>
    <name>kivo::TFZmenaJ</name>
    <message>
        <source>Změna názvu souboru</source>
        <translation>Rename files</translation>
    </message>
    <message>
        <source>datum a čas</source>
        <translation>date and time</translation>
    </message>
    <message>
        <source>název-stávající</source>
        <translation>current name</translation>
    </message>
    <message>
        <source>název-úprava</source>
        <translation>new name</translation>
    </message>
    <message>
        <source>stav</source>
        <translation>status</translation>
    </message>
    <message>
        <source>Proveď</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Zruš</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Počet nepřejmenovaných souborů: %1</source>
        <translation>Files not renamed: %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>chyba</source>
        <translation>error</translation>
    </message>
    <message>
        <source>beze změny</source>
        <translation>unchanged</translation>
    </message>
    <message>
        <source>Načítám %1 z %2…</source>
        <translation>Reading %1 of %2…</translation>
    </message>
</context>
<context>
    <name>kivo::TFindWindow</name>
    <message>
        <source>Find: %1</source>
        <translation>Find: %1</translation>
    </message>
    <message>
        <source>Look in: %1</source>
        <translation>Look in: %1</translation>
    </message>
    <message>
        <source>&amp;Named:</source>
        <translation>&amp;Named:</translation>
    </message>
    <message>
        <source>&amp;Find Now</source>
        <translation>&amp;Find Now</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation>Searching...</translation>
    </message>
    <message numerus="yes">
        <source>%n entries found</source>
        <translation>
            <numerusform>%n entry found</numerusform>
            <numerusform>%n entries found</numerusform>
        </translation>
    </message>
    <message>
        <source> (search stopped at this number)</source>
        <translation> (search stopped at this number)</translation>
    </message>
</context>
<context>
    <name>kivo::THistorie</name>
    <message>
        <source>Historie změn</source>
        <translation>Change history</translation>
    </message>
    <message>
        <source>čas</source>
        <translation>time</translation>
    </message>
    <message>
        <source>druh</source>
        <translation>kind</translation>
    </message>
    <message>
        <source>složka</source>
        <translation>folder</translation>
    </message>
    <message>
        <source>souborů</source>
        <translation>files</translation>
    </message>
    <message>
        <source>stav</source>
        <translation>state</translation>
    </message>
    <message>
        <source>&amp;Vrátit zpět</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>vrátí zpět vybranou změnu; přerušenou změnu vrátí do stavu před ní</source>
        <translation>undoes the selected change; an interrupted change is rolled back to the state before it</translation>
    </message>
    <message>
        <source>&amp;Dokončit</source>
        <translation>&amp;Finish</translation>
    </message>
    <message>
        <source>dokončí přerušenou změnu</source>
        <translation>finishes the interrupted change</translation>
    </message>
    <message>
        <source>Zavřít</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>kivo::UndoTexts</name>
    <message>
        <source>přejmenování</source>
        <translation>renaming</translation>
    </message>
    <message>
        <source>nastavení času</source>
        <translation>setting times</translation>
    </message>
    <message>
        <source>sběr obrázků</source>
        <translation>gathering pictures</translation>
    </message>
    <message>
        <source>přesun</source>
        <translation>moving</translation>
    </message>
    <message>
        <source>smazání do koše</source>
        <translation>moving to the Trash</translation>
    </message>
    <message>
        <source>nová složka</source>
        <translation>new folder</translation>
    </message>
    <message>
        <source>přejmenování na místě</source>
        <translation>renaming in place</translation>
    </message>
    <message>
        <source>zpět</source>
        <translation>undo</translation>
    </message>
    <message>
        <source>oprava data EXIF</source>
        <translation>EXIF date correction</translation>
    </message>
    <message>
        <source>%1 soubor</source>
        <translation>%1 file</translation>
    </message>
    <message>
        <source>%1 soubory</source>
        <translation>%1 files</translation>
    </message>
    <message>
        <source>%1 souborů</source>
        <translation>%1 files</translation>
    </message>
    <message>
        <source>Zpět</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>Zpět: %1 %2</source>
        <translation>Undo: %1 %2</translation>
    </message>
    <message>
        <source>přerušeno</source>
        <translation>interrupted</translation>
    </message>
    <message>
        <source>probíhá</source>
        <translation>running</translation>
    </message>
    <message>
        <source>hotovo</source>
        <translation>done</translation>
    </message>
    <message>
        <source>vráceno zpět</source>
        <translation>undone</translation>
    </message>
    <message>
        <source>soubor se mezitím změnil</source>
        <translation>the file has changed since</translation>
    </message>
    <message>
        <source>soubor už tam není</source>
        <translation>the file is no longer there</translation>
    </message>
    <message>
        <source>název je obsazený</source>
        <translation>the name is taken</translation>
    </message>
    <message>
        <source>původní název je obsazený</source>
        <translation>the original name is taken</translation>
    </message>
    <message>
        <source>složka není prázdná</source>
        <translation>the folder is not empty</translation>
    </message>
    <message>
        <source>Nelze vrátit zpět: %1</source>
        <translation>Cannot undo: %1</translation>
    </message>
    <message>
        <source>Dokončeno: %1 z %2.</source>
        <translation>Finished: %1 of %2.</translation>
    </message>
    <message>
        <source>Vráceno zpět: %1 z %2.</source>
        <translation>Undone: %1 of %2.</translation>
    </message>
    <message>
        <source>Vynecháno:</source>
        <translation>Skipped:</translation>
    </message>
    <message>
        <source>… a další: %1</source>
        <translation>… and %1 more</translation>
    </message>
    <message>
        <source>kopírování</source>
        <translation>copying</translation>
    </message>
</context>
</TS>
