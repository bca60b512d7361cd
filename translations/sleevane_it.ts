<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it" sourcelanguage="en">
<context>
    <name>CommandLine</name>
    <message>
        <source>--printer needs a printer&apos;s name</source>
        <translation>--printer vuole il nome di una stampante</translation>
    </message>
    <message>
        <source>--copies needs a number</source>
        <translation>--copies vuole un numero</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>opzione sconosciuta %1</translation>
    </message>
    <message>
        <source>--print and --pdf do not go together</source>
        <translation>--print e --pdf non vanno insieme</translation>
    </message>
    <message>
        <source>--printer and --copies go with --print</source>
        <translation>--printer e --copies vanno con --print</translation>
    </message>
    <message>
        <source>--pdf takes one design and the PDF file to write</source>
        <translation>--pdf vuole un progetto e il file PDF da scrivere</translation>
    </message>
    <message>
        <source>--print needs a design to print</source>
        <translation>--print vuole un progetto da stampare</translation>
    </message>
    <message>
        <source>--copies takes a number from 1 to %1, not %2</source>
        <translation>--copies vuole un numero da 1 a %1, non %2</translation>
    </message>
    <message>
        <source>--print prints on a print queue; --pdf writes a PDF file</source>
        <translation>--print stampa su una coda di stampa; --pdf scrive un file PDF</translation>
    </message>
    <message>
        <source>the editor opens one design at a time</source>
        <translation>l&apos;editor apre un progetto alla volta</translation>
    </message>
    <message>
        <source>Usage: sleevane [DESIGN]
       sleevane --print DESIGN... [--printer NAME] [--copies N]
       sleevane --pdf DESIGN OUT.pdf
       sleevane --help

Designs and prints the inserts of a compact-disc case.

  DESIGN                open the cover design DESIGN (.sleevane) in the editor
  --print DESIGN...     print each design on its A4 sheet, one after the other,
                        without opening a window
  --printer NAME        print on the print queue NAME instead of the default one
  --copies N            print N copies of each sheet (1 to %1)
  --pdf DESIGN OUT.pdf  write the sheet of DESIGN to the PDF file OUT.pdf, without
                        opening a window
  -h, --help            show this help

Exit status: 0 when everything was done; 1 when a design cannot be read, a
picture is missing, the printer is unknown or a print job fails (one line on
standard error for each); 2 for wrong usage.
</source>
        <translation>Uso: sleevane [PROGETTO]
     sleevane --print PROGETTO... [--printer NOME] [--copies N]
     sleevane --pdf PROGETTO USCITA.pdf
     sleevane --help

Progetta e stampa le copertine della custodia di un compact disc.

  PROGETTO                apre nell&apos;editor il progetto di copertina PROGETTO
                          (.sleevane)
  --print PROGETTO...     stampa ogni progetto sul suo foglio A4, uno dopo
                          l&apos;altro, senza aprire finestre
  --printer NOME          stampa sulla coda di stampa NOME invece di quella
                          predefinita
  --copies N              stampa N copie di ogni foglio (da 1 a %1)
  --pdf PROGETTO USCITA.pdf
                          scrive il foglio di PROGETTO nel file PDF USCITA.pdf,
                          senza aprire finestre
  -h, --help              mostra questo aiuto

Stato d&apos;uscita: 0 quando tutto è stato fatto; 1 quando un progetto non si può
leggere, manca un&apos;immagine, la stampante è sconosciuta o una stampa non riesce
(una riga sullo standard error per ciascuno); 2 per un uso sbagliato.
</translation>
    </message>
    <message>
        <source>%1: the PDF file would replace the design itself; name another</source>
        <translation>%1: il file PDF sostituirebbe il progetto stesso; scegline un altro</translation>
    </message>
    <message>
        <source>unknown printer %1</source>
        <translation>stampante sconosciuta %1</translation>
    </message>
    <message>
        <source>there is no print queue to print on (--pdf writes a PDF file)</source>
        <translation>non c&apos;è una coda di stampa su cui stampare (--pdf scrive un file PDF)</translation>
    </message>
    <message>
        <source>the print job was abandoned</source>
        <translation>la stampa è stata abbandonata</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>memoria esaurita</translation>
    </message>
    <message>
        <source>the display %1 cannot be opened</source>
        <translation>non si può aprire lo schermo %1</translation>
    </message>
    <message>
        <source>%1 (sleevane --help shows the usage)</source>
        <translation>%1 (sleevane --help mostra l&apos;uso)</translation>
    </message>
    <message>
        <source>no display to show the editor on (neither DISPLAY nor WAYLAND_DISPLAY is set); --print and --pdf need none</source>
        <translation>nessuno schermo su cui mostrare l&apos;editor (non è impostato né DISPLAY né WAYLAND_DISPLAY); --print e --pdf non ne hanno bisogno</translation>
    </message>
</context>
<context>
    <name>CoverDesign</name>
    <message>
        <source>front picture</source>
        <translation>immagine del fronte</translation>
    </message>
    <message>
        <source>rear picture</source>
        <translation>immagine del retro</translation>
    </message>
</context>
<context>
    <name>CoverPictures</name>
    <message>
        <source>reading %1 was given up</source>
        <translation>lettura di %1 annullata</translation>
    </message>
    <message>
        <source>not enough memory to read %1</source>
        <translation>memoria insufficiente per leggere %1</translation>
    </message>
</context>
<context>
    <name>DesignFile</name>
    <message>
        <source>Design file %1: %2</source>
        <translation>File di copertina %1: %2</translation>
    </message>
    <message>
        <source>true or false</source>
        <translation>vero o falso</translation>
    </message>
    <message>
        <source>a number</source>
        <translation>un numero</translation>
    </message>
    <message>
        <source>a string</source>
        <translation>un testo</translation>
    </message>
    <message>
        <source>a list</source>
        <translation>un elenco</translation>
    </message>
    <message>
        <source>an object</source>
        <translation>un oggetto</translation>
    </message>
    <message>
        <source>nothing</source>
        <translation>niente</translation>
    </message>
    <message>
        <source>expected %1, found %2</source>
        <translation>atteso %1, trovato %2</translation>
    </message>
    <message>
        <source>a one-line text holds a line break</source>
        <translation>un testo di una riga contiene un a capo</translation>
    </message>
    <message>
        <source>a line holds a line break</source>
        <translation>una riga contiene un a capo</translation>
    </message>
    <message>
        <source>%1 is not a whole number</source>
        <translation>%1 non è un numero intero</translation>
    </message>
    <message>
        <source>%1 is out of range (%2 to %3)</source>
        <translation>%1 è fuori dai limiti (da %2 a %3)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is none of %2</source>
        <translation>&quot;%1&quot; non è nessuno fra %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no colour (&quot;#rrggbb&quot; or a colour name)</source>
        <translation>&quot;%1&quot; non è un colore (&quot;#rrggbb&quot; o il nome di un colore)</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>vuoto</translation>
    </message>
    <message>
        <source>larger than %1 MB</source>
        <translation>più grande di %1 MB</translation>
    </message>
    <message>
        <source>not JSON (%1 at byte %2)</source>
        <translation>non è JSON (%1 al byte %2)</translation>
    </message>
    <message>
        <source>not a JSON object</source>
        <translation>non è un oggetto JSON</translation>
    </message>
    <message>
        <source>not a cover design (&quot;format&quot; is not &quot;%1&quot;)</source>
        <translation>non è una copertina (&quot;format&quot; non è &quot;%1&quot;)</translation>
    </message>
    <message>
        <source>version: expected a whole number, found %1</source>
        <translation>version: atteso un numero intero, trovato %1</translation>
    </message>
    <message>
        <source>version %1 is not supported (this program reads version %2)</source>
        <translation>la versione %1 non è supportata (questo programma legge la versione %2)</translation>
    </message>
    <message>
        <source>%1 is not a multiple of 45</source>
        <translation>%1 non è un multiplo di 45</translation>
    </message>
</context>
<context>
    <name>SheetComposer</name>
    <message>
        <source>la riga del fronte</source>
        <translation>la riga del fronte</translation>
    </message>
    <message>
        <source>le righe del fronte</source>
        <translation>le righe del fronte</translation>
    </message>
    <message>
        <source>la banda sinistra</source>
        <translation>la banda sinistra</translation>
    </message>
    <message>
        <source>la banda destra</source>
        <translation>la banda destra</translation>
    </message>
    <message>
        <source>il testo del retro</source>
        <translation>il testo del retro</translation>
    </message>
    <message>
        <source>the front line</source>
        <translation>la riga del fronte</translation>
    </message>
    <message>
        <source>the front lines</source>
        <translation>le righe del fronte</translation>
    </message>
    <message>
        <source>the left band text</source>
        <translation>il testo della banda sinistra</translation>
    </message>
    <message>
        <source>the right band text</source>
        <translation>il testo della banda destra</translation>
    </message>
    <message>
        <source>the rear text</source>
        <translation>il testo del retro</translation>
    </message>
    <message>
        <source>Non entra nella copertina e sarà tagliato: %1.</source>
        <translation>Non entra nella copertina e sarà tagliato: %1.</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>JPEG Image File</source>
        <translation>File immagine JPEG</translation>
    </message>
    <message>
        <source>Default size</source>
        <translation>Formato predefinito</translation>
    </message>
    <message>
        <source>Letter 8 1/2 x 11 in</source>
        <translation>Letter 8 1/2 x 11 pollici</translation>
    </message>
    <message>
        <source>Letter Small 8 1/2 x 11 in</source>
        <translation>Letter Small 8 1/2 x 11 pollici</translation>
    </message>
    <message>
        <source>Tabloid 11 x 17 in</source>
        <translation>Tabloid 11 x 17 pollici</translation>
    </message>
    <message>
        <source>Ledger 17 x 11 in</source>
        <translation>Ledger 17 x 11 pollici</translation>
    </message>
    <message>
        <source>Legal 8 1/2 x 14 in</source>
        <translation>Legal 8 1/2 x 14 pollici</translation>
    </message>
    <message>
        <source>Statement 5 1/2 x 8 1/2 in</source>
        <translation>Statement 5 1/2 x 8 1/2 pollici</translation>
    </message>
    <message>
        <source>Executive7 1/2 x 10 in</source>
        <translation>Executive 7 1/2 x 10 pollici</translation>
    </message>
    <message>
        <source>A3 297 x 420 mm</source>
        <translation>A3 297 x 420 mm</translation>
    </message>
    <message>
        <source>A4 210 x 297 mm</source>
        <translation>A4 210 x 297 mm</translation>
    </message>
    <message>
        <source>A4 Small 210 x 297 mm</source>
        <translation>A4 ridotto 210 x 297 mm</translation>
    </message>
    <message>
        <source>A5 148 x 210 mm</source>
        <translation>A5 148 x 210 mm</translation>
    </message>
    <message>
        <source>B4 250 x 354 mm</source>
        <translation>B4 250 x 354 mm</translation>
    </message>
    <message>
        <source>B5 182 x 257 mm</source>
        <translation>B5 182 x 257 mm</translation>
    </message>
    <message>
        <source>Folio 8 1/2 x 13 in</source>
        <translation>Folio 8 1/2 x 13 pollici</translation>
    </message>
    <message>
        <source>Quarto 215 x 275 mm</source>
        <translation>Quarto 215 x 275 mm</translation>
    </message>
    <message>
        <source>10x14 in</source>
        <translation>10x14 pollici</translation>
    </message>
    <message>
        <source>11x17 in</source>
        <translation>11x17 pollici</translation>
    </message>
    <message>
        <source>Note 8 1/2 x 11 in</source>
        <translation>Note 8 1/2 x 11 pollici</translation>
    </message>
    <message>
        <source>Envelope #9 3 7/8 x 8 7/8</source>
        <translation>Busta n. 9 3 7/8 x 8 7/8</translation>
    </message>
    <message>
        <source>Envelope #10 4 1/8 x 9 1/2</source>
        <translation>Busta n. 10 4 1/8 x 9 1/2</translation>
    </message>
    <message>
        <source>Envelope #11 4 1/2 x 10 3/8</source>
        <translation>Busta n. 11 4 1/2 x 10 3/8</translation>
    </message>
    <message>
        <source>Envelope #12 4 \276 x 11</source>
        <translation>Busta n. 12 4 \276 x 11</translation>
    </message>
    <message>
        <source>Envelope #14 4 \276 x 11</source>
        <translation>Busta n. 14 4 \276 x 11</translation>
    </message>
    <message>
        <source>C size sheet</source>
        <translation>Foglio formato C</translation>
    </message>
    <message>
        <source>D size sheet</source>
        <translation>Foglio formato D</translation>
    </message>
    <message>
        <source>E size sheet</source>
        <translation>Foglio formato E</translation>
    </message>
    <message>
        <source>Custom Size</source>
        <translation>Formato personalizzato</translation>
    </message>
    <message>
        <source>Report printer not ready</source>
        <translation>La stampante del report non è pronta</translation>
    </message>
    <message>
        <source>Illegal call to NewPage</source>
        <translation>Chiamata non ammessa a NewPage</translation>
    </message>
    <message>
        <source>No preview window is available</source>
        <translation>Nessuna finestra di anteprima disponibile</translation>
    </message>
    <message>
        <source>No printer is installed</source>
        <translation>Nessuna stampante installata</translation>
    </message>
    <message>
        <source>The page store is damaged at offset %1</source>
        <translation>L&apos;archivio delle pagine è danneggiato alla posizione %1</translation>
    </message>
    <message>
        <source>The compressed page %1 does not match its record</source>
        <translation>La pagina compressa %1 non corrisponde al suo record</translation>
    </message>
    <message>
        <source>Not a report file</source>
        <translation>Non è un file di report</translation>
    </message>
    <message>
        <source>The page store is full</source>
        <translation>L&apos;archivio delle pagine è pieno</translation>
    </message>
    <message>
        <source>Cannot create a temporary file in %1</source>
        <translation>Impossibile creare un file temporaneo in %1</translation>
    </message>
    <message>
        <source>The compressed data ends before its last code</source>
        <translation>I dati compressi finiscono prima dell&apos;ultimo codice</translation>
    </message>
    <message>
        <source>The report engine was called from a thread other than the program&apos;s</source>
        <translation>Il motore dei report è stato chiamato da un thread diverso da quello del programma</translation>
    </message>
    <message>
        <source>The report file is %1 bytes long, shorter than its header</source>
        <translation>Il file di report è lungo %1 byte, meno della sua intestazione</translation>
    </message>
    <message>
        <source>The report file&apos;s header counts %1 pages, but the file holds %2</source>
        <translation>L&apos;intestazione del file di report conta %1 pagine, ma il file ne contiene %2</translation>
    </message>
    <message>
        <source>Page %1 of the report file, at offset %2, is numbered %3</source>
        <translation>La pagina %1 del file di report, alla posizione %2, ha il numero %3</translation>
    </message>
    <message>
        <source>The link at offset %1 points outside the report file</source>
        <translation>Il collegamento alla posizione %1 punta fuori dal file di report</translation>
    </message>
    <message>
        <source>The link at offset %1 does not lead past its record</source>
        <translation>Il collegamento alla posizione %1 non porta oltre il suo record</translation>
    </message>
    <message>
        <source>The backward link at offset %1 does not point to the start of its record</source>
        <translation>Il collegamento all&apos;indietro alla posizione %1 non punta all&apos;inizio del suo record</translation>
    </message>
    <message>
        <source>The record of page %1 at offset %2 is cut off</source>
        <translation>Il record della pagina %1 alla posizione %2 è troncato</translation>
    </message>
    <message>
        <source>The report file goes on for %1 bytes after its last page</source>
        <translation>Il file di report prosegue per %1 byte dopo l&apos;ultima pagina</translation>
    </message>
    <message>
        <source>Page %1 of the report file does not hold a metafile</source>
        <translation>La pagina %1 del file di report non contiene un metafile</translation>
    </message>
    <message>
        <source>Page %1 of the report file holds a metafile of %2 bytes in a record of %3</source>
        <translation>La pagina %1 del file di report contiene un metafile di %2 byte in un record di %3</translation>
    </message>
    <message>
        <source>The compressed page %1 states a length of %2 bytes</source>
        <translation>La pagina compressa %1 dichiara una lunghezza di %2 byte</translation>
    </message>
    <message>
        <source>The compressed page %1 ends before its %2 bytes</source>
        <translation>La pagina compressa %1 finisce prima dei suoi %2 byte</translation>
    </message>
    <message>
        <source>The compressed page %1 goes on past its %2 bytes</source>
        <translation>La pagina compressa %1 prosegue oltre i suoi %2 byte</translation>
    </message>
    <message>
        <source>There are no finished pages to save</source>
        <translation>Non ci sono pagine finite da salvare</translation>
    </message>
    <message>
        <source>Font selected is not a TrueType Font. &apos;%s&apos; was assigned</source>
        <translation>Il carattere scelto non è TrueType. È stato assegnato &apos;%s&apos;</translation>
    </message>
    <message>
        <source>Font selected is not a TrueType Font and can&apos;t be rotated</source>
        <translation>Il carattere scelto non è TrueType e non può essere ruotato</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Pagina</translation>
    </message>
    <message>
        <source>of</source>
        <translation>di</translation>
    </message>
    <message>
        <source>Save report</source>
        <translation>Salva report</translation>
    </message>
    <message>
        <source>Load report</source>
        <translation>Carica report</translation>
    </message>
    <message>
        <source>Report file</source>
        <translation>File di report</translation>
    </message>
    <message>
        <source>File does not exist</source>
        <translation>Il file non esiste</translation>
    </message>
    <message>
        <source>Cannot load the report file %1: %2</source>
        <translation>Impossibile caricare il file di report %1: %2</translation>
    </message>
    <message>
        <source>Loading %1...</source>
        <translation>Caricamento di %1...</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titolo</translation>
    </message>
    <message>
        <source>Page Header</source>
        <translation>Intestazione di pagina</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Dettaglio</translation>
    </message>
    <message>
        <source>Page Footer</source>
        <translation>Piè di pagina</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Riepilogo</translation>
    </message>
    <message>
        <source>Group Header</source>
        <translation>Intestazione di gruppo</translation>
    </message>
    <message>
        <source>Group Footer</source>
        <translation>Piè di gruppo</translation>
    </message>
    <message>
        <source>Sub Detail</source>
        <translation>Sottodettaglio</translation>
    </message>
    <message>
        <source>Column Header</source>
        <translation>Intestazione di colonna</translation>
    </message>
    <message>
        <source>Overlay</source>
        <translation>Sovrapposizione</translation>
    </message>
    <message>
        <source>Child</source>
        <translation>Figlio</translation>
    </message>
    <message>
        <source>TitleBand</source>
        <translation>TitleBand</translation>
    </message>
    <message>
        <source>PageHeaderBand</source>
        <translation>PageHeaderBand</translation>
    </message>
    <message>
        <source>DetailBand</source>
        <translation>DetailBand</translation>
    </message>
    <message>
        <source>PageFooterBand</source>
        <translation>PageFooterBand</translation>
    </message>
    <message>
        <source>SummaryBand</source>
        <translation>SummaryBand</translation>
    </message>
    <message>
        <source>GroupHeaderBand</source>
        <translation>GroupHeaderBand</translation>
    </message>
    <message>
        <source>GroupFooterBand</source>
        <translation>GroupFooterBand</translation>
    </message>
    <message>
        <source>SubDetailBand</source>
        <translation>SubDetailBand</translation>
    </message>
    <message>
        <source>ColumnHeaderBand</source>
        <translation>ColumnHeaderBand</translation>
    </message>
    <message>
        <source>OverlayBand</source>
        <translation>OverlayBand</translation>
    </message>
    <message>
        <source>ChildBand</source>
        <translation>ChildBand</translation>
    </message>
    <message>
        <source> Completed</source>
        <translation> completato</translation>
    </message>
</context>
<context>
    <name>SysConst</name>
    <message>
        <source>Cannot assign nil to a %1</source>
        <translation>Impossibile assegnare nil a un %1</translation>
    </message>
    <message>
        <source>Cannot assign a %1 to a %2</source>
        <translation>Impossibile assegnare un %1 a un %2</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid component name</source>
        <translation>&apos;%1&apos; non è un nome di componente valido</translation>
    </message>
    <message>
        <source>A component named %1 already exists</source>
        <translation>Esiste già un componente di nome %1</translation>
    </message>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation>Indice di lista fuori dai limiti (%1)</translation>
    </message>
    <message>
        <source>Cannot write file %1</source>
        <translation>Impossibile scrivere il file %1</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 byte</translation>
    </message>
    <message>
        <source>a folder, not a file</source>
        <translation>una cartella, non un file</translation>
    </message>
    <message>
        <source>a pipe, not a regular file</source>
        <translation>una pipe, non un file normale</translation>
    </message>
    <message>
        <source>a device, not a regular file</source>
        <translation>un dispositivo, non un file normale</translation>
    </message>
    <message>
        <source>a socket, not a regular file</source>
        <translation>un socket, non un file normale</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>non è un file normale</translation>
    </message>
    <message>
        <source>larger than %1</source>
        <translation>più grande di %1</translation>
    </message>
    <message>
        <source>no file name</source>
        <translation>nessun nome di file</translation>
    </message>
    <message>
        <source>Cannot open file %1</source>
        <translation>Impossibile aprire il file %1</translation>
    </message>
    <message>
        <source>Cannot create file %1</source>
        <translation>Impossibile creare il file %1</translation>
    </message>
    <message>
        <source>Unknown picture file extension (.%1)</source>
        <translation>Estensione del file immagine sconosciuta (.%1)</translation>
    </message>
    <message>
        <source>Bitmap image is not valid</source>
        <translation>L&apos;immagine bitmap non è valida</translation>
    </message>
    <message>
        <source>Metafile is not valid</source>
        <translation>Il metafile non è valido</translation>
    </message>
    <message>
        <source>Icon image is not valid</source>
        <translation>L&apos;immagine dell&apos;icona non è valida</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; non è un numero intero valido</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Memoria esaurita</translation>
    </message>
    <message>
        <source>Stream write error</source>
        <translation>Errore di scrittura del flusso</translation>
    </message>
    <message>
        <source>Canvas does not allow drawing</source>
        <translation>La superficie di disegno non permette di disegnare</translation>
    </message>
    <message>
        <source>Unknown picture format</source>
        <translation>Formato di immagine sconosciuto</translation>
    </message>
    <message>
        <source>Cannot change the size of an icon</source>
        <translation>Impossibile cambiare le dimensioni di un&apos;icona</translation>
    </message>
    <message>
        <source>Cannot change the size of this picture</source>
        <translation>Impossibile cambiare le dimensioni di questa immagine</translation>
    </message>
    <message>
        <source>Scan line index out of range</source>
        <translation>Indice di riga di scansione fuori dai limiti</translation>
    </message>
    <message>
        <source>Out of system resources</source>
        <translation>Risorse di sistema esaurite</translation>
    </message>
    <message>
        <source>%1 x %2 pixels, more than %3</source>
        <translation>%1 x %2 pixel, più di %3</translation>
    </message>
    <message>
        <source>Cannot assign a %1 to a TPicture</source>
        <translation>Impossibile assegnare un %1 a un TPicture</translation>
    </message>
    <message>
        <source>%1 image is not valid: %2</source>
        <translation>L&apos;immagine %1 non è valida: %2</translation>
    </message>
    <message>
        <source>not such a file, or its header is damaged</source>
        <translation>non è un file di questo tipo, o la sua intestazione è danneggiata</translation>
    </message>
    <message>
        <source>%1 x %2 pixels of %3 bits, more than %4 MB</source>
        <translation>%1 x %2 pixel da %3 bit, più di %4 MB</translation>
    </message>
    <message>
        <source>its pixels are damaged or cut short (%1)</source>
        <translation>i suoi pixel sono danneggiati o troncati (%1)</translation>
    </message>
    <message>
        <source>its pixels are not the size its header declares</source>
        <translation>i suoi pixel non hanno la dimensione dichiarata dalla sua intestazione</translation>
    </message>
    <message>
        <source>Printer index out of range</source>
        <translation>Indice della stampante fuori dai limiti</translation>
    </message>
    <message>
        <source>There is no printer named &quot;%1&quot;</source>
        <translation>Non esiste una stampante di nome &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Printing in progress</source>
        <translation>Stampa in corso</translation>
    </message>
    <message>
        <source>Printer is not currently printing</source>
        <translation>La stampante non sta stampando</translation>
    </message>
    <message>
        <source>The printer %1 does not offer the paper size %2</source>
        <translation>La stampante %1 non offre il formato carta %2</translation>
    </message>
    <message>
        <source>The printer %1 cannot take a paper of %2 x %3 mm</source>
        <translation>La stampante %1 non accetta un foglio di %2 x %3 mm</translation>
    </message>
    <message>
        <source>The printer %1 cannot print %2 copies</source>
        <translation>La stampante %1 non può stampare %2 copie</translation>
    </message>
    <message>
        <source>Orientation %1 is not valid</source>
        <translation>L&apos;orientamento %1 non è valido</translation>
    </message>
    <message>
        <source>The printer %1 cannot print on both sides</source>
        <translation>La stampante %1 non può stampare fronte e retro</translation>
    </message>
    <message>
        <source>Two-sided mode %1 is not valid</source>
        <translation>La modalità fronte-retro %1 non è valida</translation>
    </message>
    <message>
        <source>Cannot write the print file %1</source>
        <translation>Impossibile scrivere il file di stampa %1</translation>
    </message>
    <message>
        <source>Cannot write the PDF file %1: %2</source>
        <translation>Impossibile scrivere il file PDF %1: %2</translation>
    </message>
    <message>
        <source>The print file %1 could not be written whole (is the disk full?)</source>
        <translation>Non è stato possibile scrivere per intero il file di stampa %1 (il disco è pieno?)</translation>
    </message>
    <message>
        <source>The printer %1 is gone</source>
        <translation>La stampante %1 non c&apos;è più</translation>
    </message>
    <message>
        <source>Cannot change the size of a JPEG image</source>
        <translation>Impossibile cambiare le dimensioni di un&apos;immagine JPEG</translation>
    </message>
    <message>
        <source>Stream read error</source>
        <translation>Errore di lettura del flusso</translation>
    </message>
    <message>
        <source>JPEG error #%1</source>
        <translation>Errore JPEG n. %1</translation>
    </message>
    <message>
        <source>JPEG error #%1: %2</source>
        <translation>Errore JPEG n. %1: %2</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>File o cartella inesistente</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permesso negato</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>Spazio esaurito sul dispositivo</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>È una cartella</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>Non è una cartella</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>File system in sola lettura</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>File troppo grande</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Errore di ingresso/uscita</translation>
    </message>
</context>
<context>
    <name>TBitBtn</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aiuto</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Sì</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Chiudi</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Interrompi</translation>
    </message>
    <message>
        <source>&amp;Retry</source>
        <translation>&amp;Riprova</translation>
    </message>
    <message>
        <source>&amp;Ignore</source>
        <translation>&amp;Ignora</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;Tutti</translation>
    </message>
</context>
<context>
    <name>TDesignDocument</name>
    <message>
        <source>Apri copertina</source>
        <translation>Apri copertina</translation>
    </message>
    <message>
        <source>Salva copertina</source>
        <translation>Salva copertina</translation>
    </message>
    <message>
        <source>Salvare le modifiche alla copertina?</source>
        <translation>Salvare le modifiche alla copertina?</translation>
    </message>
    <message>
        <source>Salvare le modifiche a %1?</source>
        <translation>Salvare le modifiche a %1?</translation>
    </message>
</context>
<context>
    <name>TFontDialog</name>
    <message>
        <source>Black</source>
        <translation>Nero</translation>
    </message>
    <message>
        <source>Maroon</source>
        <translation>Marrone</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Verde</translation>
    </message>
    <message>
        <source>Olive</source>
        <translation>Oliva</translation>
    </message>
    <message>
        <source>Navy</source>
        <translation>Blu marino</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Viola</translation>
    </message>
    <message>
        <source>Teal</source>
        <translation>Verde acqua</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Grigio</translation>
    </message>
    <message>
        <source>Silver</source>
        <translation>Argento</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rosso</translation>
    </message>
    <message>
        <source>Lime</source>
        <translation>Verde lime</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Giallo</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blu</translation>
    </message>
    <message>
        <source>Fuchsia</source>
        <translation>Fucsia</translation>
    </message>
    <message>
        <source>Aqua</source>
        <translation>Azzurro</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Bianco</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Carattere</translation>
    </message>
    <message>
        <source>&amp;Font:</source>
        <translation>&amp;Carattere:</translation>
    </message>
    <message>
        <source>Font st&amp;yle:</source>
        <translation>St&amp;ile:</translation>
    </message>
    <message>
        <source>&amp;Size:</source>
        <translation>&amp;Dimensione:</translation>
    </message>
    <message>
        <source>Regular</source>
        <translation>Normale</translation>
    </message>
    <message>
        <source>Italic</source>
        <translation>Corsivo</translation>
    </message>
    <message>
        <source>Bold</source>
        <translation>Grassetto</translation>
    </message>
    <message>
        <source>Bold Italic</source>
        <translation>Grassetto corsivo</translation>
    </message>
    <message>
        <source>Effects</source>
        <translation>Effetti</translation>
    </message>
    <message>
        <source>Stri&amp;keout</source>
        <translation>&amp;Barrato</translation>
    </message>
    <message>
        <source>&amp;Underline</source>
        <translation>&amp;Sottolineato</translation>
    </message>
    <message>
        <source>&amp;Color:</source>
        <translation>C&amp;olore:</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>Esempio</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Personalizzato</translation>
    </message>
    <message>
        <source>Size must be a number.</source>
        <translation>La dimensione deve essere un numero.</translation>
    </message>
    <message>
        <source>Size must be between %1 and %2 points.</source>
        <translation>La dimensione deve essere tra %1 e %2 punti.</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Sleevane 0.2 Beta</source>
        <translation>Sleevane 0.2 Beta</translation>
    </message>
    <message>
        <source>Fronte</source>
        <translation>Fronte</translation>
    </message>
    <message>
        <source>Non presente</source>
        <translation>Non presente</translation>
    </message>
    <message>
        <source>Copertina Frontale [120x120mm]</source>
        <translation>Copertina Frontale [120x120mm]</translation>
    </message>
    <message>
        <source>Doppia copertina [240x120mm]</source>
        <translation>Doppia copertina [240x120mm]</translation>
    </message>
    <message>
        <source>Seleziona la dimensione della copertina frontale</source>
        <translation>Seleziona la dimensione della copertina frontale</translation>
    </message>
    <message>
        <source>Clicca qui per caricare l&apos;immagine</source>
        <translation>Clicca qui per caricare l&apos;immagine</translation>
    </message>
    <message>
        <source>Retro</source>
        <translation>Retro</translation>
    </message>
    <message>
        <source>Copertina Posteriore con bande [151x118mm]</source>
        <translation>Copertina Posteriore con bande [151x118mm]</translation>
    </message>
    <message>
        <source>Copertina Posteriore senza bande [139x118mm]</source>
        <translation>Copertina Posteriore senza bande [139x118mm]</translation>
    </message>
    <message>
        <source>Seleziona la dimensione della copertina Posteriore</source>
        <translation>Seleziona la dimensione della copertina Posteriore</translation>
    </message>
    <message>
        <source>Testo Fronte</source>
        <translation>Testo Fronte</translation>
    </message>
    <message>
        <source>Selezione tipo testo</source>
        <translation>Selezione tipo testo</translation>
    </message>
    <message>
        <source>Una riga</source>
        <translation>Una riga</translation>
    </message>
    <message>
        <source>Multi righe</source>
        <translation>Multi righe</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Nessuna immagine selezionata</source>
        <translation>Nessuna immagine selezionata</translation>
    </message>
    <message>
        <source>Premere il tasto sinistro del mouse <byte value="xd"/>
per posizionare la riga di testo <byte value="xd"/>
nella modalità&quot;Una Riga&quot;</source>
        <translation>Premere il tasto sinistro del mouse <byte value="xd"/>
per posizionare la riga di testo <byte value="xd"/>
nella modalità&quot;Una Riga&quot;</translation>
    </message>
    <message>
        <source>Rotazione  Testo</source>
        <translation>Rotazione  Testo</translation>
    </message>
    <message>
        <source>Fonts</source>
        <translation>Fonts</translation>
    </message>
    <message>
        <source>Colore</source>
        <translation>Colore</translation>
    </message>
    <message>
        <source>Testo Retro</source>
        <translation>Testo Retro</translation>
    </message>
    <message>
        <source>Bande laterali</source>
        <translation>Bande laterali</translation>
    </message>
    <message>
        <source>Testo Centrale</source>
        <translation>Testo Centrale</translation>
    </message>
    <message>
        <source>Anteprima</source>
        <translation>Anteprima</translation>
    </message>
    <message>
        <source>Stampa</source>
        <translation>Stampa</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Uscita</source>
        <translation>Uscita</translation>
    </message>
    <message>
        <source>Immagini|*.jpg;*.jpeg;*.bmp;*.png;*.gif|JPG|*.jpg|BMP|*.bmp|PNG|*.png</source>
        <translation>Immagini|*.jpg;*.jpeg;*.bmp;*.png;*.gif|JPG|*.jpg|BMP|*.bmp|PNG|*.png</translation>
    </message>
    <message>
        <source>Tipo di testo</source>
        <translation>Tipo di testo</translation>
    </message>
    <message>
        <source>Lettura di %1...</source>
        <translation>Lettura di %1...</translation>
    </message>
    <message>
        <source>Immagine non leggibile: %1</source>
        <translation>Immagine non leggibile: %1</translation>
    </message>
    <message>
        <source>Immagine mancante: %1</source>
        <translation>Immagine mancante: %1</translation>
    </message>
    <message>
        <source>Adattamento immagine</source>
        <translation>Adattamento immagine</translation>
    </message>
    <message>
        <source>Ritaglio immagine</source>
        <translation>Ritaglio immagine</translation>
    </message>
    <message>
        <source>Segni di taglio e piega</source>
        <translation>Segni di taglio e piega</translation>
    </message>
    <message>
        <source>Adatta il testo</source>
        <translation>Adatta il testo</translation>
    </message>
    <message>
        <source>Immagine deformata sulla copertina</source>
        <translation>Immagine deformata sulla copertina</translation>
    </message>
    <message>
        <source>Immagine intera nella copertina</source>
        <translation>Immagine intera nella copertina</translation>
    </message>
    <message>
        <source>Immagine che riempie la copertina</source>
        <translation>Immagine che riempie la copertina</translation>
    </message>
    <message>
        <source>Segni di taglio</source>
        <translation>Segni di taglio</translation>
    </message>
    <message>
        <source>Linee di piega</source>
        <translation>Linee di piega</translation>
    </message>
    <message>
        <source>Tracce da un file...</source>
        <translation>Tracce da un file...</translation>
    </message>
    <message>
        <source>Tracce da un file</source>
        <translation>Tracce da un file</translation>
    </message>
    <message>
        <source>Elenchi di tracce (*.txt *.cue);;Tutti i file (*)</source>
        <translation>Elenchi di tracce (*.txt *.cue);;Tutti i file (*)</translation>
    </message>
    <message>
        <source>Tracce da una cartella...</source>
        <translation>Tracce da una cartella...</translation>
    </message>
    <message>
        <source>Tracce da una cartella</source>
        <translation>Tracce da una cartella</translation>
    </message>
    <message>
        <source>Adatta il testo al retro</source>
        <translation>Adatta il testo al retro</translation>
    </message>
</context>
<context>
    <name>TInfo</name>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Morvent Production</source>
        <translation>Morvent Production</translation>
    </message>
    <message>
        <source>GRAFIC DESIGNER: -Kestrelon-</source>
        <translation>GRAFIC DESIGNER: -Kestrelon-</translation>
    </message>
    <message>
        <source>In collaborazione con</source>
        <translation>In collaborazione con</translation>
    </message>
    <message>
        <source>PRESENTA</source>
        <translation>PRESENTA</translation>
    </message>
    <message>
        <source>SLEEVANE</source>
        <translation>SLEEVANE</translation>
    </message>
</context>
<context>
    <name>TIntro</name>
    <message>
        <source>Intro</source>
        <translation>Intro</translation>
    </message>
    <message>
        <source>Versione : 0.2 beta</source>
        <translation>Versione : 0.2 beta</translation>
    </message>
    <message>
        <source>Clicca per chiudere questa finestra</source>
        <translation>Clicca per chiudere questa finestra</translation>
    </message>
</context>
<context>
    <name>TOpenDialog</name>
    <message>
        <source>Save As</source>
        <translation>Salva con nome</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Apri</translation>
    </message>
</context>
<context>
    <name>TPrintDialog</name>
    <message>
        <source>Offset</source>
        <translation>Scostamento</translation>
    </message>
    <message>
        <source>Horizontal:</source>
        <translation>Orizzontale:</translation>
    </message>
    <message>
        <source>Vertical:</source>
        <translation>Verticale:</translation>
    </message>
</context>
<context>
    <name>TRpProgressForm</name>
    <message>
        <source>Printing progress</source>
        <translation>Avanzamento della stampa</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
</context>
<context>
    <name>TRpStandardPreview</name>
    <message>
        <source>Print Preview</source>
        <translation>Anteprima di stampa</translation>
    </message>
    <message>
        <source>Zoom to fit</source>
        <translation>Adatta alla finestra</translation>
    </message>
    <message>
        <source>Zoom to width</source>
        <translation>Adatta alla larghezza</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>Prima pagina</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Pagina precedente</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Pagina successiva</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>Ultima pagina</translation>
    </message>
    <message>
        <source>Printer setup</source>
        <translation>Impostazione stampante</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Stampa</translation>
    </message>
    <message>
        <source>Save Report</source>
        <translation>Salva report</translation>
    </message>
    <message>
        <source>Load Report</source>
        <translation>Carica report</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Chiudi</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Pagina</translation>
    </message>
</context>
<context>
    <name>Tpreview</name>
    <message>
        <source>Sleevane - Preview</source>
        <translation>Sleevane - Preview</translation>
    </message>
    <message>
        <source>RpLabel1</source>
        <translation>RpLabel1</translation>
    </message>
    <message>
        <source>Labelrp1</source>
        <translation>Labelrp1</translation>
    </message>
    <message>
        <source>Labelrp2</source>
        <translation>Labelrp2</translation>
    </message>
</context>
<context>
    <name>rpptool</name>
    <message>
        <source>usage: rpptool COMMAND FILE ...
  info FILE                      pages, compression, detected paper, page sizes
  render FILE PAGE OUT.png [--dpi N]
                                 draws page PAGE (from 1) at N dots per inch (96)
  pdf FILE OUT.pdf               every page at its own size, at full resolution
  pack FILE OUT                  the same pages with compressed page records
  unpack FILE OUT                the same pages with plain page records
  print FILE [--printer NAME] [--copies N] [--pages A-B]
                                 prints the pages on a print queue (the default one
                                 without --printer), N copies (1), pages A to B
  --verbose                      (anywhere) also counts the notes of Qt&apos;s left out
  --help                         this text
exit status: 0 done (print: the job was handed to the printer); 1 the file cannot be
read, the printer is unknown or refused the job, or an output cannot be written;
2 wrong usage
</source>
        <translation>uso: rpptool COMANDO FILE ...
  info FILE                      pagine, compressione, carta rilevata, dimensioni
                                 delle pagine
  render FILE PAGINA USCITA.png [--dpi N]
                                 disegna la pagina PAGINA (da 1) a N punti per
                                 pollice (96)
  pdf FILE USCITA.pdf            ogni pagina alla sua dimensione, a piena
                                 risoluzione
  pack FILE USCITA               le stesse pagine con i record compressi
  unpack FILE USCITA             le stesse pagine con i record non compressi
  print FILE [--printer NOME] [--copies N] [--pages A-B]
                                 stampa le pagine su una coda di stampa (quella
                                 predefinita senza --printer), N copie (1), le
                                 pagine da A a B
  --verbose                      (ovunque) conta anche le note di Qt tralasciate
  --help                         questo testo
stato d&apos;uscita: 0 fatto (print: la stampa è stata passata alla stampante); 1 il file
non si può leggere, la stampante è sconosciuta o ha rifiutato la stampa, o
un&apos;uscita non si può scrivere; 2 uso sbagliato
</translation>
    </message>
    <message>
        <source>%1 is not a number: %2</source>
        <translation>%1 non è un numero: %2</translation>
    </message>
    <message>
        <source>the file has no page %1 (it has %2)</source>
        <translation>il file non ha la pagina %1 (ne ha %2)</translation>
    </message>
    <message>
        <source>page %1 cannot be read</source>
        <translation>la pagina %1 non si può leggere</translation>
    </message>
    <message>
        <source>info takes one file</source>
        <translation>info vuole un file</translation>
    </message>
    <message>
        <source>--dpi needs a number</source>
        <translation>--dpi vuole un numero</translation>
    </message>
    <message>
        <source>render takes FILE PAGE OUT.png</source>
        <translation>render vuole FILE PAGINA USCITA.png</translation>
    </message>
    <message>
        <source>--dpi must be 1 to 2400</source>
        <translation>--dpi deve essere da 1 a 2400</translation>
    </message>
    <message>
        <source>%1 x %2 pixels is too large a picture</source>
        <translation>%1 x %2 pixel è un&apos;immagine troppo grande</translation>
    </message>
    <message>
        <source>no memory for the picture</source>
        <translation>memoria insufficiente per l&apos;immagine</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>impossibile scrivere %1</translation>
    </message>
    <message>
        <source>pdf takes FILE OUT.pdf</source>
        <translation>pdf vuole FILE USCITA.pdf</translation>
    </message>
    <message>
        <source>the file has no pages</source>
        <translation>il file non ha pagine</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>impossibile scrivere %1: %2</translation>
    </message>
    <message>
        <source>%1 takes FILE OUT</source>
        <translation>%1 vuole FILE USCITA</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 vuole un valore</translation>
    </message>
    <message>
        <source>%1 given twice</source>
        <translation>%1 dato due volte</translation>
    </message>
    <message>
        <source>--pages takes A-B: %1</source>
        <translation>--pages vuole A-B: %1</translation>
    </message>
    <message>
        <source>--pages needs 1 &lt;= A &lt;= B: %1</source>
        <translation>--pages vuole 1 &lt;= A &lt;= B: %1</translation>
    </message>
    <message>
        <source>print takes FILE [--printer NAME] [--copies N] [--pages A-B]</source>
        <translation>print vuole FILE [--printer NOME] [--copies N] [--pages A-B]</translation>
    </message>
    <message>
        <source>--copies must be 1 to %1</source>
        <translation>--copies deve essere da 1 a %1</translation>
    </message>
    <message>
        <source>%1 is not a print queue; name one with --printer</source>
        <translation>%1 non è una coda di stampa; indicane una con --printer</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>nessun comando dato</translation>
    </message>
    <message>
        <source>unknown command %1</source>
        <translation>comando sconosciuto %1</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>memoria esaurita</translation>
    </message>
</context>
</TS>
