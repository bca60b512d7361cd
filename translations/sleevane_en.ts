<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="it">
<context>
    <name>CommandLine</name>
    <message>
        <source>--printer needs a printer&apos;s name</source>
        <translation>--printer needs a printer&apos;s name</translation>
    </message>
    <message>
        <source>--copies needs a number</source>
        <translation>--copies needs a number</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>--print and --pdf do not go together</source>
        <translation>--print and --pdf do not go together</translation>
    </message>
    <message>
        <source>--printer and --copies go with --print</source>
        <translation>--printer and --copies go with --print</translation>
    </message>
    <message>
        <source>--pdf takes one design and the PDF file to write</source>
        <translation>--pdf takes one design and the PDF file to write</translation>
    </message>
    <message>
        <source>--print needs a design to print</source>
        <translation>--print needs a design to print</translation>
    </message>
    <message>
        <source>--copies takes a number from 1 to %1, not %2</source>
        <translation>--copies takes a number from 1 to %1, not %2</translation>
    </message>
    <message>
        <source>--print prints on a print queue; --pdf writes a PDF file</source>
        <translation>--print prints on a print queue; --pdf writes a PDF file</translation>
    </message>
    <message>
        <source>the editor opens one design at a time</source>
        <translation>the editor opens one design at a time</translation>
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
        <translation>Usage: sleevane [DESIGN]
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
</translation>
    </message>
    <message>
        <source>%1: the PDF file would replace the design itself; name another</source>
        <translation>%1: the PDF file would replace the design itself; name another</translation>
    </message>
    <message>
        <source>unknown printer %1</source>
        <translation>unknown printer %1</translation>
    </message>
    <message>
        <source>there is no print queue to print on (--pdf writes a PDF file)</source>
        <translation>there is no print queue to print on (--pdf writes a PDF file)</translation>
    </message>
    <message>
        <source>the print job was abandoned</source>
        <translation>the print job was abandoned</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>the display %1 cannot be opened</source>
        <translation>the display %1 cannot be opened</translation>
    </message>
    <message>
        <source>%1 (sleevane --help shows the usage)</source>
        <translation>%1 (sleevane --help shows the usage)</translation>
    </message>
    <message>
        <source>no display to show the editor on (neither DISPLAY nor WAYLAND_DISPLAY is set); --print and --pdf need none</source>
        <translation>no display to show the editor on (neither DISPLAY nor WAYLAND_DISPLAY is set); --print and --pdf need none</translation>
    </message>
</context>
<context>
    <name>CoverDesign</name>
    <message>
        <source>front picture</source>
        <translation>front picture</translation>
    </message>
    <message>
        <source>rear picture</source>
        <translation>rear picture</translation>
    </message>
</context>
<context>
    <name>CoverPictures</name>
    <message>
        <source>reading %1 was given up</source>
        <translation>reading %1 was given up</translation>
    </message>
    <message>
        <source>not enough memory to read %1</source>
        <translation>not enough memory to read %1</translation>
    </message>
</context>
<context>
    <name>DesignFile</name>
    <message>
        <source>Design file %1: %2</source>
        <translation>Design file %1: %2</translation>
    </message>
    <message>
        <source>true or false</source>
        <translation>true or false</translation>
    </message>
    <message>
        <source>a number</source>
        <translation>a number</translation>
    </message>
    <message>
        <source>a string</source>
        <translation>a string</translation>
    </message>
    <message>
        <source>a list</source>
        <translation>a list</translation>
    </message>
    <message>
        <source>an object</source>
        <translation>an object</translation>
    </message>
    <message>
        <source>nothing</source>
        <translation>nothing</translation>
    </message>
    <message>
        <source>expected %1, found %2</source>
        <translation>expected %1, found %2</translation>
    </message>
    <message>
        <source>a one-line text holds a line break</source>
        <translation>a one-line text holds a line break</translation>
    </message>
    <message>
        <source>a line holds a line break</source>
        <translation>a line holds a line break</translation>
    </message>
    <message>
        <source>%1 is not a whole number</source>
        <translation>%1 is not a whole number</translation>
    </message>
    <message>
        <source>%1 is out of range (%2 to %3)</source>
        <translation>%1 is out of range (%2 to %3)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is none of %2</source>
        <translation>&quot;%1&quot; is none of %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no colour (&quot;#rrggbb&quot; or a colour name)</source>
        <translation>&quot;%1&quot; is no colour (&quot;#rrggbb&quot; or a colour name)</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>empty</translation>
    </message>
    <message>
        <source>larger than %1 MB</source>
        <translation>larger than %1 MB</translation>
    </message>
    <message>
        <source>not JSON (%1 at byte %2)</source>
        <translation>not JSON (%1 at byte %2)</translation>
    </message>
    <message>
        <source>not a JSON object</source>
        <translation>not a JSON object</translation>
    </message>
    <message>
        <source>not a cover design (&quot;format&quot; is not &quot;%1&quot;)</source>
        <translation>not a cover design (&quot;format&quot; is not &quot;%1&quot;)</translation>
    </message>
    <message>
        <source>version: expected a whole number, found %1</source>
        <translation>version: expected a whole number, found %1</translation>
    </message>
    <message>
        <source>version %1 is not supported (this program reads version %2)</source>
        <translation>version %1 is not supported (this program reads version %2)</translation>
    </message>
    <message>
        <source>%1 is not a multiple of 45</source>
        <translation>%1 is not a multiple of 45</translation>
    </message>
</context>
<context>
    <name>SheetComposer</name>
    <message>
        <source>la riga del fronte</source>
        <translation>the front line</translation>
    </message>
    <message>
        <source>le righe del fronte</source>
        <translation>the front lines</translation>
    </message>
    <message>
        <source>la banda sinistra</source>
        <translation>the left band</translation>
    </message>
    <message>
        <source>la banda destra</source>
        <translation>the right band</translation>
    </message>
    <message>
        <source>il testo del retro</source>
        <translation>the back text</translation>
    </message>
    <message>
        <source>the front line</source>
        <translation>the front line</translation>
    </message>
    <message>
        <source>the front lines</source>
        <translation>the front lines</translation>
    </message>
    <message>
        <source>the left band text</source>
        <translation>the left band text</translation>
    </message>
    <message>
        <source>the right band text</source>
        <translation>the right band text</translation>
    </message>
    <message>
        <source>the rear text</source>
        <translation>the rear text</translation>
    </message>
    <message>
        <source>Non entra nella copertina e sarà tagliato: %1.</source>
        <translation>Does not fit its cover and will be cut: %1.</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>JPEG Image File</source>
        <translation>JPEG Image File</translation>
    </message>
    <message>
        <source>Default size</source>
        <translation>Default size</translation>
    </message>
    <message>
        <source>Letter 8 1/2 x 11 in</source>
        <translation>Letter 8 1/2 x 11 in</translation>
    </message>
    <message>
        <source>Letter Small 8 1/2 x 11 in</source>
        <translation>Letter Small 8 1/2 x 11 in</translation>
    </message>
    <message>
        <source>Tabloid 11 x 17 in</source>
        <translation>Tabloid 11 x 17 in</translation>
    </message>
    <message>
        <source>Ledger 17 x 11 in</source>
        <translation>Ledger 17 x 11 in</translation>
    </message>
    <message>
        <source>Legal 8 1/2 x 14 in</source>
        <translation>Legal 8 1/2 x 14 in</translation>
    </message>
    <message>
        <source>Statement 5 1/2 x 8 1/2 in</source>
        <translation>Statement 5 1/2 x 8 1/2 in</translation>
    </message>
    <message>
        <source>Executive7 1/2 x 10 in</source>
        <translation>Executive7 1/2 x 10 in</translation>
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
        <translation>A4 Small 210 x 297 mm</translation>
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
        <translation>Folio 8 1/2 x 13 in</translation>
    </message>
    <message>
        <source>Quarto 215 x 275 mm</source>
        <translation>Quarto 215 x 275 mm</translation>
    </message>
    <message>
        <source>10x14 in</source>
        <translation>10x14 in</translation>
    </message>
    <message>
        <source>11x17 in</source>
        <translation>11x17 in</translation>
    </message>
    <message>
        <source>Note 8 1/2 x 11 in</source>
        <translation>Note 8 1/2 x 11 in</translation>
    </message>
    <message>
        <source>Envelope #9 3 7/8 x 8 7/8</source>
        <translation>Envelope #9 3 7/8 x 8 7/8</translation>
    </message>
    <message>
        <source>Envelope #10 4 1/8 x 9 1/2</source>
        <translation>Envelope #10 4 1/8 x 9 1/2</translation>
    </message>
    <message>
        <source>Envelope #11 4 1/2 x 10 3/8</source>
        <translation>Envelope #11 4 1/2 x 10 3/8</translation>
    </message>
    <message>
        <source>Envelope #12 4 \276 x 11</source>
        <translation>Envelope #12 4 \276 x 11</translation>
    </message>
    <message>
        <source>Envelope #14 4 \276 x 11</source>
        <translation>Envelope #14 4 \276 x 11</translation>
    </message>
    <message>
        <source>C size sheet</source>
        <translation>C size sheet</translation>
    </message>
    <message>
        <source>D size sheet</source>
        <translation>D size sheet</translation>
    </message>
    <message>
        <source>E size sheet</source>
        <translation>E size sheet</translation>
    </message>
    <message>
        <source>Custom Size</source>
        <translation>Custom Size</translation>
    </message>
    <message>
        <source>Report printer not ready</source>
        <translation>Report printer not ready</translation>
    </message>
    <message>
        <source>Illegal call to NewPage</source>
        <translation>Illegal call to NewPage</translation>
    </message>
    <message>
        <source>No preview window is available</source>
        <translation>No preview window is available</translation>
    </message>
    <message>
        <source>No printer is installed</source>
        <translation>No printer is installed</translation>
    </message>
    <message>
        <source>The page store is damaged at offset %1</source>
        <translation>The page store is damaged at offset %1</translation>
    </message>
    <message>
        <source>The compressed page %1 does not match its record</source>
        <translation>The compressed page %1 does not match its record</translation>
    </message>
    <message>
        <source>Not a report file</source>
        <translation>Not a report file</translation>
    </message>
    <message>
        <source>The page store is full</source>
        <translation>The page store is full</translation>
    </message>
    <message>
        <source>Cannot create a temporary file in %1</source>
        <translation>Cannot create a temporary file in %1</translation>
    </message>
    <message>
        <source>The compressed data ends before its last code</source>
        <translation>The compressed data ends before its last code</translation>
    </message>
    <message>
        <source>The report engine was called from a thread other than the program&apos;s</source>
        <translation>The report engine was called from a thread other than the program&apos;s</translation>
    </message>
    <message>
        <source>The report file is %1 bytes long, shorter than its header</source>
        <translation>The report file is %1 bytes long, shorter than its header</translation>
    </message>
    <message>
        <source>The report file&apos;s header counts %1 pages, but the file holds %2</source>
        <translation>The report file&apos;s header counts %1 pages, but the file holds %2</translation>
    </message>
    <message>
        <source>Page %1 of the report file, at offset %2, is numbered %3</source>
        <translation>Page %1 of the report file, at offset %2, is numbered %3</translation>
    </message>
    <message>
        <source>The link at offset %1 points outside the report file</source>
        <translation>The link at offset %1 points outside the report file</translation>
    </message>
    <message>
        <source>The link at offset %1 does not lead past its record</source>
        <translation>The link at offset %1 does not lead past its record</translation>
    </message>
    <message>
        <source>The backward link at offset %1 does not point to the start of its record</source>
        <translation>The backward link at offset %1 does not point to the start of its record</translation>
    </message>
    <message>
        <source>The record of page %1 at offset %2 is cut off</source>
        <translation>The record of page %1 at offset %2 is cut off</translation>
    </message>
    <message>
        <source>The report file goes on for %1 bytes after its last page</source>
        <translation>The report file goes on for %1 bytes after its last page</translation>
    </message>
    <message>
        <source>Page %1 of the report file does not hold a metafile</source>
        <translation>Page %1 of the report file does not hold a metafile</translation>
    </message>
    <message>
        <source>Page %1 of the report file holds a metafile of %2 bytes in a record of %3</source>
        <translation>Page %1 of the report file holds a metafile of %2 bytes in a record of %3</translation>
    </message>
    <message>
        <source>The compressed page %1 states a length of %2 bytes</source>
        <translation>The compressed page %1 states a length of %2 bytes</translation>
    </message>
    <message>
        <source>The compressed page %1 ends before its %2 bytes</source>
        <translation>The compressed page %1 ends before its %2 bytes</translation>
    </message>
    <message>
        <source>The compressed page %1 goes on past its %2 bytes</source>
        <translation>The compressed page %1 goes on past its %2 bytes</translation>
    </message>
    <message>
        <source>There are no finished pages to save</source>
        <translation>There are no finished pages to save</translation>
    </message>
    <message>
        <source>Font selected is not a TrueType Font. &apos;%s&apos; was assigned</source>
        <translation>Font selected is not a TrueType Font. &apos;%s&apos; was assigned</translation>
    </message>
    <message>
        <source>Font selected is not a TrueType Font and can&apos;t be rotated</source>
        <translation>Font selected is not a TrueType Font and can&apos;t be rotated</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Page</translation>
    </message>
    <message>
        <source>of</source>
        <translation>of</translation>
    </message>
    <message>
        <source>Save report</source>
        <translation>Save report</translation>
    </message>
    <message>
        <source>Load report</source>
        <translation>Load report</translation>
    </message>
    <message>
        <source>Report file</source>
        <translation>Report file</translation>
    </message>
    <message>
        <source>File does not exist</source>
        <translation>File does not exist</translation>
    </message>
    <message>
        <source>Cannot load the report file %1: %2</source>
        <translation>Cannot load the report file %1: %2</translation>
    </message>
    <message>
        <source>Loading %1...</source>
        <translation>Loading %1...</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>Page Header</source>
        <translation>Page Header</translation>
    </message>
    <message>
        <source>Detail</source>
        <translation>Detail</translation>
    </message>
    <message>
        <source>Page Footer</source>
        <translation>Page Footer</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Summary</translation>
    </message>
    <message>
        <source>Group Header</source>
        <translation>Group Header</translation>
    </message>
    <message>
        <source>Group Footer</source>
        <translation>Group Footer</translation>
    </message>
    <message>
        <source>Sub Detail</source>
        <translation>Sub Detail</translation>
    </message>
    <message>
        <source>Column Header</source>
        <translation>Column Header</translation>
    </message>
    <message>
        <source>Overlay</source>
        <translation>Overlay</translation>
    </message>
    <message>
        <source>Child</source>
        <translation>Child</translation>
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
        <translation> Completed</translation>
    </message>
</context>
<context>
    <name>SysConst</name>
    <message>
        <source>Cannot assign nil to a %1</source>
        <translation>Cannot assign nil to a %1</translation>
    </message>
    <message>
        <source>Cannot assign a %1 to a %2</source>
        <translation>Cannot assign a %1 to a %2</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid component name</source>
        <translation>&apos;%1&apos; is not a valid component name</translation>
    </message>
    <message>
        <source>A component named %1 already exists</source>
        <translation>A component named %1 already exists</translation>
    </message>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation>List index out of bounds (%1)</translation>
    </message>
    <message>
        <source>Cannot write file %1</source>
        <translation>Cannot write file %1</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>a folder, not a file</source>
        <translation>a folder, not a file</translation>
    </message>
    <message>
        <source>a pipe, not a regular file</source>
        <translation>a pipe, not a regular file</translation>
    </message>
    <message>
        <source>a device, not a regular file</source>
        <translation>a device, not a regular file</translation>
    </message>
    <message>
        <source>a socket, not a regular file</source>
        <translation>a socket, not a regular file</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>larger than %1</source>
        <translation>larger than %1</translation>
    </message>
    <message>
        <source>no file name</source>
        <translation>no file name</translation>
    </message>
    <message>
        <source>Cannot open file %1</source>
        <translation>Cannot open file %1</translation>
    </message>
    <message>
        <source>Cannot create file %1</source>
        <translation>Cannot create file %1</translation>
    </message>
    <message>
        <source>Unknown picture file extension (.%1)</source>
        <translation>Unknown picture file extension (.%1)</translation>
    </message>
    <message>
        <source>Bitmap image is not valid</source>
        <translation>Bitmap image is not valid</translation>
    </message>
    <message>
        <source>Metafile is not valid</source>
        <translation>Metafile is not valid</translation>
    </message>
    <message>
        <source>Icon image is not valid</source>
        <translation>Icon image is not valid</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; is not a valid integer value</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <source>Stream write error</source>
        <translation>Stream write error</translation>
    </message>
    <message>
        <source>Canvas does not allow drawing</source>
        <translation>Canvas does not allow drawing</translation>
    </message>
    <message>
        <source>Unknown picture format</source>
        <translation>Unknown picture format</translation>
    </message>
    <message>
        <source>Cannot change the size of an icon</source>
        <translation>Cannot change the size of an icon</translation>
    </message>
    <message>
        <source>Cannot change the size of this picture</source>
        <translation>Cannot change the size of this picture</translation>
    </message>
    <message>
        <source>Scan line index out of range</source>
        <translation>Scan line index out of range</translation>
    </message>
    <message>
        <source>Out of system resources</source>
        <translation>Out of system resources</translation>
    </message>
    <message>
        <source>%1 x %2 pixels, more than %3</source>
        <translation>%1 x %2 pixels, more than %3</translation>
    </message>
    <message>
        <source>Cannot assign a %1 to a TPicture</source>
        <translation>Cannot assign a %1 to a TPicture</translation>
    </message>
    <message>
        <source>%1 image is not valid: %2</source>
        <translation>%1 image is not valid: %2</translation>
    </message>
    <message>
        <source>not such a file, or its header is damaged</source>
        <translation>not such a file, or its header is damaged</translation>
    </message>
    <message>
        <source>%1 x %2 pixels of %3 bits, more than %4 MB</source>
        <translation>%1 x %2 pixels of %3 bits, more than %4 MB</translation>
    </message>
    <message>
        <source>its pixels are damaged or cut short (%1)</source>
        <translation>its pixels are damaged or cut short (%1)</translation>
    </message>
    <message>
        <source>its pixels are not the size its header declares</source>
        <translation>its pixels are not the size its header declares</translation>
    </message>
    <message>
        <source>Printer index out of range</source>
        <translation>Printer index out of range</translation>
    </message>
    <message>
        <source>There is no printer named &quot;%1&quot;</source>
        <translation>There is no printer named &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Printing in progress</source>
        <translation>Printing in progress</translation>
    </message>
    <message>
        <source>Printer is not currently printing</source>
        <translation>Printer is not currently printing</translation>
    </message>
    <message>
        <source>The printer %1 does not offer the paper size %2</source>
        <translation>The printer %1 does not offer the paper size %2</translation>
    </message>
    <message>
        <source>The printer %1 cannot take a paper of %2 x %3 mm</source>
        <translation>The printer %1 cannot take a paper of %2 x %3 mm</translation>
    </message>
    <message>
        <source>The printer %1 cannot print %2 copies</source>
        <translation>The printer %1 cannot print %2 copies</translation>
    </message>
    <message>
        <source>Orientation %1 is not valid</source>
        <translation>Orientation %1 is not valid</translation>
    </message>
    <message>
        <source>The printer %1 cannot print on both sides</source>
        <translation>The printer %1 cannot print on both sides</translation>
    </message>
    <message>
        <source>Two-sided mode %1 is not valid</source>
        <translation>Two-sided mode %1 is not valid</translation>
    </message>
    <message>
        <source>Cannot write the print file %1</source>
        <translation>Cannot write the print file %1</translation>
    </message>
    <message>
        <source>Cannot write the PDF file %1: %2</source>
        <translation>Cannot write the PDF file %1: %2</translation>
    </message>
    <message>
        <source>The print file %1 could not be written whole (is the disk full?)</source>
        <translation>The print file %1 could not be written whole (is the disk full?)</translation>
    </message>
    <message>
        <source>The printer %1 is gone</source>
        <translation>The printer %1 is gone</translation>
    </message>
    <message>
        <source>Cannot change the size of a JPEG image</source>
        <translation>Cannot change the size of a JPEG image</translation>
    </message>
    <message>
        <source>Stream read error</source>
        <translation>Stream read error</translation>
    </message>
    <message>
        <source>JPEG error #%1</source>
        <translation>JPEG error #%1</translation>
    </message>
    <message>
        <source>JPEG error #%1: %2</source>
        <translation>JPEG error #%1: %2</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>No such file or directory</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>No space left on device</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>Is a directory</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>Not a directory</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Read-only file system</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>File too large</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Input/output error</translation>
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
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>&amp;Retry</source>
        <translation>&amp;Retry</translation>
    </message>
    <message>
        <source>&amp;Ignore</source>
        <translation>&amp;Ignore</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;All</translation>
    </message>
</context>
<context>
    <name>TDesignDocument</name>
    <message>
        <source>Apri copertina</source>
        <translation>Open cover</translation>
    </message>
    <message>
        <source>Salva copertina</source>
        <translation>Save cover</translation>
    </message>
    <message>
        <source>Salvare le modifiche alla copertina?</source>
        <translation>Save the changes to the cover?</translation>
    </message>
    <message>
        <source>Salvare le modifiche a %1?</source>
        <translation>Save the changes to %1?</translation>
    </message>
</context>
<context>
    <name>TFontDialog</name>
    <message>
        <source>Black</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>Maroon</source>
        <translation>Maroon</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>Olive</source>
        <translation>Olive</translation>
    </message>
    <message>
        <source>Navy</source>
        <translation>Navy</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Purple</translation>
    </message>
    <message>
        <source>Teal</source>
        <translation>Teal</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Gray</translation>
    </message>
    <message>
        <source>Silver</source>
        <translation>Silver</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>Lime</source>
        <translation>Lime</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>Fuchsia</source>
        <translation>Fuchsia</translation>
    </message>
    <message>
        <source>Aqua</source>
        <translation>Aqua</translation>
    </message>
    <message>
        <source>White</source>
        <translation>White</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>&amp;Font:</source>
        <translation>&amp;Font:</translation>
    </message>
    <message>
        <source>Font st&amp;yle:</source>
        <translation>Font st&amp;yle:</translation>
    </message>
    <message>
        <source>&amp;Size:</source>
        <translation>&amp;Size:</translation>
    </message>
    <message>
        <source>Regular</source>
        <translation>Regular</translation>
    </message>
    <message>
        <source>Italic</source>
        <translation>Italic</translation>
    </message>
    <message>
        <source>Bold</source>
        <translation>Bold</translation>
    </message>
    <message>
        <source>Bold Italic</source>
        <translation>Bold Italic</translation>
    </message>
    <message>
        <source>Effects</source>
        <translation>Effects</translation>
    </message>
    <message>
        <source>Stri&amp;keout</source>
        <translation>Stri&amp;keout</translation>
    </message>
    <message>
        <source>&amp;Underline</source>
        <translation>&amp;Underline</translation>
    </message>
    <message>
        <source>&amp;Color:</source>
        <translation>&amp;Color:</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>Sample</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>Size must be a number.</source>
        <translation>Size must be a number.</translation>
    </message>
    <message>
        <source>Size must be between %1 and %2 points.</source>
        <translation>Size must be between %1 and %2 points.</translation>
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
        <translation>Front</translation>
    </message>
    <message>
        <source>Non presente</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Copertina Frontale [120x120mm]</source>
        <translation>Front cover [120x120mm]</translation>
    </message>
    <message>
        <source>Doppia copertina [240x120mm]</source>
        <translation>Double cover [240x120mm]</translation>
    </message>
    <message>
        <source>Seleziona la dimensione della copertina frontale</source>
        <translation>Choose the size of the front cover</translation>
    </message>
    <message>
        <source>Clicca qui per caricare l&apos;immagine</source>
        <translation>Click here to load the picture</translation>
    </message>
    <message>
        <source>Retro</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Copertina Posteriore con bande [151x118mm]</source>
        <translation>Back cover with side bands [151x118mm]</translation>
    </message>
    <message>
        <source>Copertina Posteriore senza bande [139x118mm]</source>
        <translation>Back cover without side bands [139x118mm]</translation>
    </message>
    <message>
        <source>Seleziona la dimensione della copertina Posteriore</source>
        <translation>Choose the size of the back cover</translation>
    </message>
    <message>
        <source>Testo Fronte</source>
        <translation>Front Text</translation>
    </message>
    <message>
        <source>Selezione tipo testo</source>
        <translation>Kind of text</translation>
    </message>
    <message>
        <source>Una riga</source>
        <translation>One line</translation>
    </message>
    <message>
        <source>Multi righe</source>
        <translation>Several lines</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Nessuna immagine selezionata</source>
        <translation>No picture chosen</translation>
    </message>
    <message>
        <source>Premere il tasto sinistro del mouse <byte value="xd"/>
per posizionare la riga di testo <byte value="xd"/>
nella modalità&quot;Una Riga&quot;</source>
        <translation>Press the left mouse button <byte value="xd"/>
to place the line of text <byte value="xd"/>
in &quot;One line&quot; mode</translation>
    </message>
    <message>
        <source>Rotazione  Testo</source>
        <translation>Text rotation</translation>
    </message>
    <message>
        <source>Fonts</source>
        <translation>Fonts</translation>
    </message>
    <message>
        <source>Colore</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>Testo Retro</source>
        <translation>Back Text</translation>
    </message>
    <message>
        <source>Bande laterali</source>
        <translation>Side bands</translation>
    </message>
    <message>
        <source>Testo Centrale</source>
        <translation>Central Text</translation>
    </message>
    <message>
        <source>Anteprima</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Stampa</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Uscita</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Immagini|*.jpg;*.jpeg;*.bmp;*.png;*.gif|JPG|*.jpg|BMP|*.bmp|PNG|*.png</source>
        <translation>Pictures|*.jpg;*.jpeg;*.bmp;*.png;*.gif|JPG|*.jpg|BMP|*.bmp|PNG|*.png</translation>
    </message>
    <message>
        <source>Tipo di testo</source>
        <translation>Kind of text</translation>
    </message>
    <message>
        <source>Lettura di %1...</source>
        <translation>Reading %1...</translation>
    </message>
    <message>
        <source>Immagine non leggibile: %1</source>
        <translation>Picture cannot be read: %1</translation>
    </message>
    <message>
        <source>Immagine mancante: %1</source>
        <translation>Picture missing: %1</translation>
    </message>
    <message>
        <source>Adattamento immagine</source>
        <translation>Picture fit</translation>
    </message>
    <message>
        <source>Ritaglio immagine</source>
        <translation>Picture crop</translation>
    </message>
    <message>
        <source>Segni di taglio e piega</source>
        <translation>Crop marks and fold lines</translation>
    </message>
    <message>
        <source>Adatta il testo</source>
        <translation>Fit the text</translation>
    </message>
    <message>
        <source>Immagine deformata sulla copertina</source>
        <translation>Picture stretched over the cover</translation>
    </message>
    <message>
        <source>Immagine intera nella copertina</source>
        <translation>Whole picture inside the cover</translation>
    </message>
    <message>
        <source>Immagine che riempie la copertina</source>
        <translation>Picture filling the cover</translation>
    </message>
    <message>
        <source>Segni di taglio</source>
        <translation>Crop marks</translation>
    </message>
    <message>
        <source>Linee di piega</source>
        <translation>Fold lines</translation>
    </message>
    <message>
        <source>Tracce da un file...</source>
        <translation>Tracks from a file...</translation>
    </message>
    <message>
        <source>Tracce da un file</source>
        <translation>Tracks from a file</translation>
    </message>
    <message>
        <source>Elenchi di tracce (*.txt *.cue);;Tutti i file (*)</source>
        <translation>Track lists (*.txt *.cue);;All files (*)</translation>
    </message>
    <message>
        <source>Tracce da una cartella...</source>
        <translation>Tracks from a folder...</translation>
    </message>
    <message>
        <source>Tracce da una cartella</source>
        <translation>Tracks from a folder</translation>
    </message>
    <message>
        <source>Adatta il testo al retro</source>
        <translation>Fit the text to the back</translation>
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
        <translation>GRAPHIC DESIGNER: -Kestrelon-</translation>
    </message>
    <message>
        <source>In collaborazione con</source>
        <translation>In association with</translation>
    </message>
    <message>
        <source>PRESENTA</source>
        <translation>PRESENTS</translation>
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
        <translation>Version: 0.2 beta</translation>
    </message>
    <message>
        <source>Clicca per chiudere questa finestra</source>
        <translation>Click to close this window</translation>
    </message>
</context>
<context>
    <name>TOpenDialog</name>
    <message>
        <source>Save As</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
</context>
<context>
    <name>TPrintDialog</name>
    <message>
        <source>Offset</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>Horizontal:</source>
        <translation>Horizontal:</translation>
    </message>
    <message>
        <source>Vertical:</source>
        <translation>Vertical:</translation>
    </message>
</context>
<context>
    <name>TRpProgressForm</name>
    <message>
        <source>Printing progress</source>
        <translation>Printing progress</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TRpStandardPreview</name>
    <message>
        <source>Print Preview</source>
        <translation>Print Preview</translation>
    </message>
    <message>
        <source>Zoom to fit</source>
        <translation>Zoom to fit</translation>
    </message>
    <message>
        <source>Zoom to width</source>
        <translation>Zoom to width</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>First page</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>Last page</translation>
    </message>
    <message>
        <source>Printer setup</source>
        <translation>Printer setup</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Save Report</source>
        <translation>Save Report</translation>
    </message>
    <message>
        <source>Load Report</source>
        <translation>Load Report</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Page</translation>
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
        <translation>usage: rpptool COMMAND FILE ...
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
</translation>
    </message>
    <message>
        <source>%1 is not a number: %2</source>
        <translation>%1 is not a number: %2</translation>
    </message>
    <message>
        <source>the file has no page %1 (it has %2)</source>
        <translation>the file has no page %1 (it has %2)</translation>
    </message>
    <message>
        <source>page %1 cannot be read</source>
        <translation>page %1 cannot be read</translation>
    </message>
    <message>
        <source>info takes one file</source>
        <translation>info takes one file</translation>
    </message>
    <message>
        <source>--dpi needs a number</source>
        <translation>--dpi needs a number</translation>
    </message>
    <message>
        <source>render takes FILE PAGE OUT.png</source>
        <translation>render takes FILE PAGE OUT.png</translation>
    </message>
    <message>
        <source>--dpi must be 1 to 2400</source>
        <translation>--dpi must be 1 to 2400</translation>
    </message>
    <message>
        <source>%1 x %2 pixels is too large a picture</source>
        <translation>%1 x %2 pixels is too large a picture</translation>
    </message>
    <message>
        <source>no memory for the picture</source>
        <translation>no memory for the picture</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>cannot write %1</translation>
    </message>
    <message>
        <source>pdf takes FILE OUT.pdf</source>
        <translation>pdf takes FILE OUT.pdf</translation>
    </message>
    <message>
        <source>the file has no pages</source>
        <translation>the file has no pages</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>cannot write %1: %2</translation>
    </message>
    <message>
        <source>%1 takes FILE OUT</source>
        <translation>%1 takes FILE OUT</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 needs a value</translation>
    </message>
    <message>
        <source>%1 given twice</source>
        <translation>%1 given twice</translation>
    </message>
    <message>
        <source>--pages takes A-B: %1</source>
        <translation>--pages takes A-B: %1</translation>
    </message>
    <message>
        <source>--pages needs 1 &lt;= A &lt;= B: %1</source>
        <translation>--pages needs 1 &lt;= A &lt;= B: %1</translation>
    </message>
    <message>
        <source>print takes FILE [--printer NAME] [--copies N] [--pages A-B]</source>
        <translation>print takes FILE [--printer NAME] [--copies N] [--pages A-B]</translation>
    </message>
    <message>
        <source>--copies must be 1 to %1</source>
        <translation>--copies must be 1 to %1</translation>
    </message>
    <message>
        <source>%1 is not a print queue; name one with --printer</source>
        <translation>%1 is not a print queue; name one with --printer</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>no command given</translation>
    </message>
    <message>
        <source>unknown command %1</source>
        <translation>unknown command %1</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>out of memory</translation>
    </message>
</context>
</TS>
