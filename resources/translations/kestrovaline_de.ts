<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>kv::BrowserPanel</name>
    <message>
        <source>List of supported image files in current directory</source>
        <translation>Unterstützte Bilddateien im aktuellen Ordner</translation>
    </message>
    <message>
        <source>Current drive</source>
        <translation>Aktuelles Laufwerk</translation>
    </message>
    <message>
        <source>Current directory</source>
        <translation>Aktueller Ordner</translation>
    </message>
</context>
<context>
    <name>kv::Collection</name>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>skipped</source>
        <translation>ausgelassen</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>fehlt</translation>
    </message>
    <message>
        <source>used</source>
        <translation>verwendet</translation>
    </message>
</context>
<context>
    <name>kv::CollectionCommands</name>
    <message>
        <source>Are you sure to delete selected file from wallpaper collection ?</source>
        <translation>Soll die ausgewählte Datei wirklich aus der Bildersammlung entfernt werden?</translation>
    </message>
    <message>
        <source>Are you sure to delete %1 items from wallpaper collection ?</source>
        <translation>Sollen die %1 ausgewählten Einträge wirklich aus der Bildersammlung entfernt werden?</translation>
    </message>
    <message>
        <source>Unable to find %1 image files from wallpaper collection !</source>
        <translation>%1 Bilddateien der Bildersammlung wurden nicht gefunden!</translation>
    </message>
    <message>
        <source>Unable to find image file &apos;%1&apos; from wallpaper collection !</source>
        <translation>Die Bilddatei „%1“ der Bildersammlung wurde nicht gefunden!</translation>
    </message>
    <message>
        <source>The wallpaper collection is full: it holds at most %1 image files. The highlighted files were not added!</source>
        <translation>Die Bildersammlung ist voll: Sie fasst höchstens %1 Bilddateien. Die markierten Dateien wurden nicht hinzugefügt!</translation>
    </message>
</context>
<context>
    <name>kv::CollectionView</name>
    <message>
        <source>List of file names in wallpaper collection</source>
        <translation>Dateinamen in der Bildersammlung</translation>
    </message>
</context>
<context>
    <name>kv::CommandColumn</name>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Add highlighted file names to wallpaper collection</source>
        <translation>Markierte Dateien zur Bildersammlung hinzufügen</translation>
    </message>
    <message>
        <source>Use</source>
        <translation>Verwenden</translation>
    </message>
    <message>
        <source>Mark highlighted file names in collection to use by wallpaper autochange</source>
        <translation>Markierte Einträge für den automatischen Bildwechsel verwenden</translation>
    </message>
    <message>
        <source>Skip</source>
        <translation>Auslassen</translation>
    </message>
    <message>
        <source>Mark highlighted file names in collection to skip by wallpaper autochange</source>
        <translation>Markierte Einträge beim automatischen Bildwechsel auslassen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove highlighted file names from wallpaper collection</source>
        <translation>Markierte Einträge aus der Bildersammlung entfernen</translation>
    </message>
    <message>
        <source>Remove missing</source>
        <translation>Fehlende entfernen</translation>
    </message>
    <message>
        <source>Remove non-existing files from the list</source>
        <translation>Nicht mehr vorhandene Dateien aus der Liste entfernen</translation>
    </message>
</context>
<context>
    <name>kv::CommandLine</name>
    <message>
        <source>Usage: kestrovaline [-logon | -next | -close | --help | --version]

Kestrovaline changes your desktop wallpaper from a collection you build:
at logon, periodically or at a time of day, in list order or at random.

  (no argument)  start, or bring the running copy&apos;s window forward
  -logon         make the logon change, then stay in the notification area
  -next          change the wallpaper now: the running copy does, else this start
                 does and ends (exit status 1 when it could not, or when the
                 running copy did not answer)
  -close         ask the running copy to save and end
  --help, -h     show this text
  --version      show the version and the desktop found
</source>
        <translation>Aufruf: kestrovaline [-logon | -next | -close | --help | --version]

Kestrovaline wechselt das Hintergrundbild aus einer selbst angelegten Sammlung:
bei der Anmeldung, in Zeitabständen oder zu einer Uhrzeit, der Reihe nach oder
zufällig.

  (ohne Argument)  starten oder das Fenster der laufenden Instanz hervorholen
  -logon           Bildwechsel zur Anmeldung, danach im Benachrichtigungsfeld
                   bleiben
  -next            das Hintergrundbild jetzt wechseln: durch die laufende
                   Instanz, sonst durch diesen Aufruf, der danach endet
                   (Exit-Status 1 bei Fehler oder wenn die laufende Instanz
                   nicht antwortet)
  -close           die laufende Instanz speichern und beenden lassen
  --help, -h       diesen Text anzeigen
  --version        Version und erkannten Desktop anzeigen
</translation>
    </message>
    <message>
        <source>kestrovaline: arguments not understood, so ignored: %1 (see kestrovaline --help)
</source>
        <translation>kestrovaline: nicht verstandene Argumente, daher ignoriert: %1 (siehe kestrovaline --help)
</translation>
    </message>
</context>
<context>
    <name>kv::DesktopBackend</name>
    <message>
        <source>Wayland compositor</source>
        <translation>Wayland-Compositor</translation>
    </message>
    <message>
        <source>GNOME family</source>
        <translation>GNOME-Familie</translation>
    </message>
    <message>
        <source>pcmanfm-qt over D-Bus</source>
        <translation>pcmanfm-qt über D-Bus</translation>
    </message>
    <message>
        <source>X11 root window</source>
        <translation>X11-Wurzelfenster</translation>
    </message>
    <message>
        <source>X11 root window on %1</source>
        <translation>X11-Wurzelfenster auf %1</translation>
    </message>
    <message>
        <source>xfconf channel %1</source>
        <translation>xfconf-Kanal %1</translation>
    </message>
</context>
<context>
    <name>kv::DisplayCheck</name>
    <message>
        <source>Start Kestrovaline from your desktop session, or give it a virtual X server, for example:
  xvfb-run -a kestrovaline
A running copy can be closed from any terminal with: kestrovaline -close
</source>
        <translation>Starten Sie Kestrovaline aus Ihrer Desktop-Sitzung oder mit einem virtuellen X-Server, zum Beispiel:
  xvfb-run -a kestrovaline
Eine laufende Instanz lässt sich in jedem Terminal beenden mit: kestrovaline -close
</translation>
    </message>
    <message>
        <source>Kestrovaline needs a graphical desktop, and none was found (neither DISPLAY nor WAYLAND_DISPLAY is set).
</source>
        <translation>Kestrovaline benötigt eine grafische Oberfläche, es wurde aber keine gefunden (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt).
</translation>
    </message>
    <message>
        <source>Kestrovaline cannot reach the X display &quot;%1&quot;.
</source>
        <translation>Kestrovaline erreicht die X-Anzeige „%1“ nicht.
</translation>
    </message>
    <message>
        <source>Kestrovaline cannot reach the Wayland display &quot;%1&quot;.
</source>
        <translation>Kestrovaline erreicht die Wayland-Anzeige „%1“ nicht.
</translation>
    </message>
    <message>
        <source>Kestrovaline needs Qt&apos;s Wayland platform plugin on this desktop, and it is not installed (on Debian and Ubuntu it comes with the package qt6-wayland).
</source>
        <translation>Kestrovaline braucht auf diesem Desktop das Wayland-Plattform-Plugin von Qt, und es ist nicht installiert (unter Debian und Ubuntu gehört es zum Paket qt6-wayland).
</translation>
    </message>
</context>
<context>
    <name>kv::DriveBox</name>
    <message>
        <source>Current drive</source>
        <translation>Aktuelles Laufwerk</translation>
    </message>
</context>
<context>
    <name>kv::FileBrowserModel</name>
    <message>
        <source>Unable to select disk drive %1 !</source>
        <translation>Das Laufwerk %1 kann nicht ausgewählt werden!</translation>
    </message>
</context>
<context>
    <name>kv::FilesView</name>
    <message>
        <source>List of supported image files in current directory</source>
        <translation>Unterstützte Bilddateien im aktuellen Ordner</translation>
    </message>
</context>
<context>
    <name>kv::FolderView</name>
    <message>
        <source>Current directory</source>
        <translation>Aktueller Ordner</translation>
    </message>
</context>
<context>
    <name>kv::Help</name>
    <message>
        <source>Press OK to open up-to-date program help on the Web; press Cancel to open local html help file</source>
        <translation>Klicken Sie auf OK, um die aktuelle Programmhilfe im Web zu öffnen, oder auf Abbrechen, um die lokale HTML-Hilfe zu öffnen.</translation>
    </message>
</context>
<context>
    <name>kv::HelpWindow</name>
    <message>
        <source>Kestrovaline manual</source>
        <translation>Kestrovaline-Handbuch</translation>
    </message>
</context>
<context>
    <name>kv::Hyperlinks</name>
    <message>
        <source>Hyperlink opening error</source>
        <translation>Fehler beim Öffnen des Links</translation>
    </message>
    <message>
        <source>Unable to open hyperlink %1</source>
        <translation>Der Link %1 kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Click to open %1</source>
        <translation>Klicken, um %1 zu öffnen</translation>
    </message>
</context>
<context>
    <name>kv::Launcher</name>
    <message>
        <source>Kestrovaline %1.%2
Desktop: %3
Manual: %4
</source>
        <translation>Kestrovaline %1.%2
Desktop: %3
Handbuch: %4
</translation>
    </message>
    <message>
        <source>not found</source>
        <translation>nicht gefunden</translation>
    </message>
</context>
<context>
    <name>kv::Liveness</name>
    <message>
        <source>Kestrovaline is not running: there was nothing to close.</source>
        <translation>Kestrovaline läuft nicht; es gab nichts zu beenden.</translation>
    </message>
    <message>
        <source>Kestrovaline saved its settings and ended.</source>
        <translation>Kestrovaline hat seine Einstellungen gespeichert und wurde beendet.</translation>
    </message>
    <message>
        <source>Kestrovaline ended, but its settings could not be saved; its own report says why.</source>
        <translation>Kestrovaline wurde beendet, konnte seine Einstellungen aber nicht speichern; die Meldung des Programms nennt den Grund.</translation>
    </message>
    <message>
        <source>Kestrovaline is running but did not end in time.</source>
        <translation>Kestrovaline läuft, wurde aber nicht rechtzeitig beendet.</translation>
    </message>
    <message>
        <source>Kestrovaline is running but could not change the wallpaper.</source>
        <translation>Kestrovaline läuft, konnte das Hintergrundbild aber nicht wechseln.</translation>
    </message>
    <message>
        <source>Kestrovaline ended before it said whether the wallpaper changed.</source>
        <translation>Kestrovaline wurde beendet, bevor es meldete, ob das Hintergrundbild gewechselt wurde.</translation>
    </message>
    <message>
        <source>Kestrovaline is running but did not change the wallpaper in time.</source>
        <translation>Kestrovaline läuft, hat das Hintergrundbild aber nicht rechtzeitig gewechselt.</translation>
    </message>
    <message>
        <source>Kestrovaline is running but could not be asked: the request could not be stored in its session folder, which may be full.</source>
        <translation>Kestrovaline läuft, konnte aber nicht gefragt werden: Die Anfrage ließ sich nicht in seinem Sitzungsordner ablegen, der vielleicht voll ist.</translation>
    </message>
    <message>
        <source>Kestrovaline ended before it said whether its settings were saved.</source>
        <translation>Kestrovaline wurde beendet, bevor es meldete, ob seine Einstellungen gespeichert wurden.</translation>
    </message>
</context>
<context>
    <name>kv::MainWindow</name>
    <message>
        <source>Selected wallpaper file name</source>
        <translation>Dateiname des ausgewählten Hintergrundbilds</translation>
    </message>
    <message>
        <source>Wallpaper Collection:</source>
        <translation>Bildersammlung:</translation>
    </message>
    <message>
        <source>Add Wallpapers:</source>
        <translation>Bilder hinzufügen:</translation>
    </message>
    <message>
        <source>Image Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>List of file names in wallpaper collection</source>
        <translation>Dateinamen in der Bildersammlung</translation>
    </message>
    <message>
        <source>Set wallpaper</source>
        <translation>Als Hintergrund</translation>
    </message>
    <message>
        <source>Set selected wallpaper now</source>
        <translation>Ausgewähltes Bild jetzt als Hintergrund setzen</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Ausblenden</translation>
    </message>
    <message>
        <source>Collapse the program window into tray icon</source>
        <translation>Programmfenster in das Benachrichtigungsfeld verkleinern</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Customize program settings</source>
        <translation>Programmeinstellungen anpassen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Kestrovaline wallpaper manager help</source>
        <translation>Hilfe zur Kestrovaline-Hintergrundbildverwaltung</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>About the program</source>
        <translation>Über das Programm</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Exit the program</source>
        <translation>Programm beenden</translation>
    </message>
</context>
<context>
    <name>kv::NullDesktop</name>
    <message>
        <source>no supported desktop found</source>
        <translation>kein unterstützter Desktop gefunden</translation>
    </message>
    <message>
        <source>switched off by KESTROVALINE_DESKTOP</source>
        <translation>durch KESTROVALINE_DESKTOP abgeschaltet</translation>
    </message>
</context>
<context>
    <name>kv::PictureButtons</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Confirm and close</source>
        <translation>Bestätigen und schließen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Cancel and close</source>
        <translation>Abbrechen und schließen</translation>
    </message>
</context>
<context>
    <name>kv::PreviewPanel</name>
    <message>
        <source>File name of previewed image</source>
        <translation>Dateiname des Vorschaubilds</translation>
    </message>
    <message>
        <source>Wallpaper image preview</source>
        <translation>Vorschau des Hintergrundbilds</translation>
    </message>
    <message>
        <source>Wallpaper preview error message</source>
        <translation>Fehlermeldung der Vorschau</translation>
    </message>
</context>
<context>
    <name>kv::Previews</name>
    <message>
        <source>Unable to preview file &apos;%1&apos; !</source>
        <translation>Für die Datei „%1“ ist keine Vorschau möglich!</translation>
    </message>
    <message>
        <source>Selected wallpaper image file name is: %1</source>
        <translation>Ausgewähltes Hintergrundbild: %1</translation>
    </message>
    <message>
        <source>Unable to get picture from image file &apos;%1&apos;!</source>
        <translation>Die Bilddatei „%1“ kann nicht gelesen werden!</translation>
    </message>
    <message>
        <source>Unable to find image file %1!</source>
        <translation>Die Bilddatei %1 wurde nicht gefunden!</translation>
    </message>
    <message>
        <source>Previewed file name</source>
        <translation>Name der Vorschaudatei</translation>
    </message>
    <message>
        <source>Unable to open folder &apos;%1&apos; !</source>
        <translation>Der Ordner „%1“ lässt sich nicht öffnen!</translation>
    </message>
</context>
<context>
    <name>kv::ProgAbout</name>
    <message>
        <source>Kestrovaline wallpaper manager</source>
        <translation>Kestrovaline-Hintergrundbildverwaltung</translation>
    </message>
    <message>
        <source>Kestrovaline %1.%2</source>
        <translation>Kestrovaline %1.%2</translation>
    </message>
    <message>
        <source>wallpaper manager</source>
        <translation>Hintergrundbildverwaltung</translation>
    </message>
    <message>
        <source>Free software: GNU GPL version 3 or later</source>
        <translation>Freie Software: GNU GPL Version 3 oder neuer</translation>
    </message>
    <message>
        <source>Visit our Web sites:</source>
        <translation>Besuchen Sie unsere Website:</translation>
    </message>
    <message>
        <source>Desktop: %1</source>
        <translation>Desktop: %1</translation>
    </message>
</context>
<context>
    <name>kv::ProgMsg</name>
    <message>
        <source>Do not show this message again</source>
        <translation>Diese Meldung nicht mehr anzeigen</translation>
    </message>
    <message>
        <source>Kestrovaline wallpaper manager startup</source>
        <translation>Kestrovaline – Programmstart</translation>
    </message>
    <message>
        <source>Kestrovaline wallpaper autochange</source>
        <translation>Kestrovaline – automatischer Bildwechsel</translation>
    </message>
    <message>
        <source>Kestrovaline wallpaper manager current disk</source>
        <translation>Kestrovaline – aktuelles Laufwerk</translation>
    </message>
    <message>
        <source>Kestrovaline wallpapers collection</source>
        <translation>Kestrovaline – Bildersammlung</translation>
    </message>
    <message>
        <source>Kestrovaline wallpaper manager help</source>
        <translation>Hilfe zur Kestrovaline-Hintergrundbildverwaltung</translation>
    </message>
    <message>
        <source>Kestrovaline wallpaper manager exit</source>
        <translation>Kestrovaline – Beenden</translation>
    </message>
    <message>
        <source>Kestrovaline wallpaper manager</source>
        <translation>Kestrovaline-Hintergrundbildverwaltung</translation>
    </message>
</context>
<context>
    <name>kv::ProgOpts</name>
    <message>
        <source>Wallpapers Change:</source>
        <translation>Bildwechsel:</translation>
    </message>
    <message>
        <source>manual</source>
        <translation>manuell</translation>
    </message>
    <message>
        <source>Wallpaper can be changed only manually</source>
        <translation>Das Hintergrundbild wird nur von Hand gewechselt</translation>
    </message>
    <message>
        <source>automatic</source>
        <translation>automatisch</translation>
    </message>
    <message>
        <source>Wallpaper can be changed automatically too</source>
        <translation>Das Hintergrundbild wird auch automatisch gewechselt</translation>
    </message>
    <message>
        <source>Change wallpaper at user logon</source>
        <translation>Hintergrundbild bei der Anmeldung wechseln</translation>
    </message>
    <message>
        <source>with time interval</source>
        <translation>in Zeitabständen</translation>
    </message>
    <message>
        <source>Change wallpaper periodically</source>
        <translation>Hintergrundbild regelmäßig wechseln</translation>
    </message>
    <message>
        <source>at specified time</source>
        <translation>zur Uhrzeit</translation>
    </message>
    <message>
        <source>Change wallpaper at specified time of day</source>
        <translation>Hintergrundbild zu einer festen Uhrzeit wechseln</translation>
    </message>
    <message>
        <source>Wallpaper change period: days</source>
        <translation>Wechselintervall: Tage</translation>
    </message>
    <message>
        <source>Wallpaper change period: hours</source>
        <translation>Wechselintervall: Stunden</translation>
    </message>
    <message>
        <source>days</source>
        <translation>Tage</translation>
    </message>
    <message>
        <source>hours</source>
        <translation>Std.</translation>
    </message>
    <message>
        <source>min</source>
        <translation>Min.</translation>
    </message>
    <message>
        <source>Change wallpaper only at specified day of the week</source>
        <translation>Hintergrundbild nur an diesem Wochentag wechseln</translation>
    </message>
    <message>
        <source>Everyday</source>
        <translation>Täglich</translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation>Sonntag</translation>
    </message>
    <message>
        <source>Monday</source>
        <translation>Montag</translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation>Dienstag</translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation>Mittwoch</translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation>Donnerstag</translation>
    </message>
    <message>
        <source>Friday</source>
        <translation>Freitag</translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation>Samstag</translation>
    </message>
    <message>
        <source>Wallpaper change time: hours</source>
        <translation>Uhrzeit des Wechsels: Stunden</translation>
    </message>
    <message>
        <source>Wallpaper change moment: hours</source>
        <translation>Zeitpunkt des Wechsels: Stunden</translation>
    </message>
    <message>
        <source>Wallpaper change time: minutes</source>
        <translation>Uhrzeit des Wechsels: Minuten</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>Wallpaper change moment: minutes</source>
        <translation>Zeitpunkt des Wechsels: Minuten</translation>
    </message>
    <message>
        <source>Wallpapers change order:</source>
        <translation>Reihenfolge:</translation>
    </message>
    <message>
        <source>Select how wallpapers will be selected from wallpaper collection</source>
        <translation>Legt fest, wie die Bilder aus der Bildersammlung gewählt werden</translation>
    </message>
    <message>
        <source>sequentially</source>
        <translation>der Reihe nach</translation>
    </message>
    <message>
        <source>Wallpapers will be selected sequentially according to their position in the list</source>
        <translation>Die Bilder werden in der Reihenfolge der Liste gewählt</translation>
    </message>
    <message>
        <source>random</source>
        <translation>zufällig</translation>
    </message>
    <message>
        <source>Wallpapers will be selected randomly</source>
        <translation>Die Bilder werden zufällig gewählt</translation>
    </message>
    <message>
        <source>Program AutoStart:</source>
        <translation>Autostart:</translation>
    </message>
    <message>
        <source>Allow wallpaper manager autostart at user logon</source>
        <translation>Programm bei der Anmeldung automatisch starten</translation>
    </message>
    <message>
        <source>allow program autostart in manual mode</source>
        <translation>Autostart auch im manuellen Modus</translation>
    </message>
    <message>
        <source>If checked, program will start at user logon even in manual wallpaper change mode</source>
        <translation>Wenn aktiviert, startet das Programm bei der Anmeldung auch im manuellen Modus</translation>
    </message>
    <message>
        <source>Wallpaper Position:</source>
        <translation>Bildposition:</translation>
    </message>
    <message>
        <source>Select wallpaper positioning mode</source>
        <translation>Legt fest, wie das Bild auf dem Desktop angeordnet wird</translation>
    </message>
    <message>
        <source>center</source>
        <translation>zentrieren</translation>
    </message>
    <message>
        <source>Wallpaper is positioned at center and has its real size (according to image resolution)</source>
        <translation>Das Bild wird in Originalgröße (gemäß seiner Auflösung) in der Mitte angezeigt</translation>
    </message>
    <message>
        <source>tile </source>
        <translation>kacheln</translation>
    </message>
    <message>
        <source>Desktop is tiled with wallpaper images</source>
        <translation>Der Desktop wird mit dem Bild gekachelt</translation>
    </message>
    <message>
        <source>stretch</source>
        <translation>strecken</translation>
    </message>
    <message>
        <source>Image is stretched to fill the entire desktop</source>
        <translation>Das Bild wird auf die Größe des Desktops gestreckt</translation>
    </message>
    <message>
        <source>fit</source>
        <translation>einpassen</translation>
    </message>
    <message>
        <source>Whole image is shown as large as the desktop allows, the rest in the background color</source>
        <translation>Das ganze Bild wird so groß wie möglich gezeigt, der Rest in der Hintergrundfarbe</translation>
    </message>
    <message>
        <source>fill</source>
        <translation>ausfüllen</translation>
    </message>
    <message>
        <source>Image covers the entire desktop keeping its proportions, cropped at the edges</source>
        <translation>Das Bild füllt den ganzen Desktop mit seinem Seitenverhältnis und wird an den Rändern beschnitten</translation>
    </message>
    <message>
        <source>Wallpaper background color:</source>
        <translation>Hintergrundfarbe:</translation>
    </message>
    <message>
        <source>Select desktop background color</source>
        <translation>Hintergrundfarbe des Desktops wählen</translation>
    </message>
    <message>
        <source>Click to set desktop background color</source>
        <translation>Klicken, um die Hintergrundfarbe des Desktops zu wählen</translation>
    </message>
    <message>
        <source>Desktop background color</source>
        <translation>Hintergrundfarbe des Desktops</translation>
    </message>
    <message>
        <source>Messages and confirmations:</source>
        <translation>Meldungen und Rückfragen:</translation>
    </message>
    <message>
        <source>Select confirmation messages</source>
        <translation>Legt fest, welche Meldungen angezeigt werden</translation>
    </message>
    <message>
        <source>show message about missing image files at startup</source>
        <translation>beim Start fehlende Bilddateien melden</translation>
    </message>
    <message>
        <source>If checked programm will inform about missing image files from wallpapers collection</source>
        <translation>Wenn aktiviert, meldet das Programm fehlende Bilddateien der Bildersammlung</translation>
    </message>
    <message>
        <source>show message about wallpapers autochage failure</source>
        <translation>Fehler beim automatischen Bildwechsel melden</translation>
    </message>
    <message>
        <source>If checked programm will inform about wallpapers auto-change failures</source>
        <translation>Wenn aktiviert, meldet das Programm Fehler beim automatischen Bildwechsel</translation>
    </message>
    <message>
        <source>show message about current drive change failure</source>
        <translation>Fehler beim Laufwerkswechsel melden</translation>
    </message>
    <message>
        <source>If checked programm will inform about disk-drive change failure</source>
        <translation>Wenn aktiviert, meldet das Programm Fehler beim Wechsel des Laufwerks</translation>
    </message>
    <message>
        <source>confirm image files removal from wallpaper collection</source>
        <translation>Entfernen von Einträgen bestätigen</translation>
    </message>
    <message>
        <source>Wallpaper change options. The last automatic change happened at </source>
        <translation>Optionen für den Bildwechsel. Letzter automatischer Wechsel: </translation>
    </message>
    <message>
        <source>at Windows logon</source>
        <translation>bei der Windows-Anmeldung</translation>
    </message>
    <message>
        <source>at logon</source>
        <translation>bei der Anmeldung</translation>
    </message>
    <message>
        <source>Kestrovaline wallpaper manager options</source>
        <translation>Kestrovaline – Einstellungen</translation>
    </message>
    <message>
        <source>Auto-change</source>
        <translation>Automatik</translation>
    </message>
    <message>
        <source>  View</source>
        <translation>  Ansicht</translation>
    </message>
    <message>
        <source>  Messages</source>
        <translation>  Meldungen</translation>
    </message>
    <message>
        <source>Wallpaper auto-change options</source>
        <translation>Optionen für den automatischen Bildwechsel</translation>
    </message>
    <message>
        <source>Set currently selected options</source>
        <translation>Gewählte Einstellungen übernehmen</translation>
    </message>
    <message>
        <source>Cancel options change</source>
        <translation>Änderungen verwerfen</translation>
    </message>
</context>
<context>
    <name>kv::Program</name>
    <message>
        <source>Unable to set up the start at logon! %1 could not be written, so Kestrovaline will not start by itself at the next logon.</source>
        <translation>Der Start bei der Anmeldung kann nicht eingerichtet werden! %1 konnte nicht geschrieben werden, daher startet Kestrovaline bei der nächsten Anmeldung nicht von selbst.</translation>
    </message>
    <message>
        <source>Unable to remove the start at logon! %1 could not be removed, so Kestrovaline will still start at the next logon.</source>
        <translation>Der Start bei der Anmeldung kann nicht entfernt werden! %1 konnte nicht entfernt werden, daher startet Kestrovaline bei der nächsten Anmeldung weiterhin.</translation>
    </message>
    <message>
        <source>Are you sure to exit Kestrovaline wallpaper manager?</source>
        <translation>Soll Kestrovaline wirklich beendet werden?</translation>
    </message>
    <message>
        <source> If you exit the program, automatic wallpaper change will not work!</source>
        <translation> Solange das Programm nicht läuft, findet kein automatischer Bildwechsel statt!</translation>
    </message>
    <message>
        <source>Unable to save settings! %1. What was saved before is kept, and the save is tried again next time.</source>
        <translation>Die Einstellungen können nicht gespeichert werden! %1. Der zuletzt gespeicherte Stand bleibt erhalten; beim nächsten Mal wird erneut gespeichert.</translation>
    </message>
    <message>
        <source> Exit anyway? The changes made since the last save will be lost.</source>
        <translation> Trotzdem beenden? Die Änderungen seit dem letzten Speichern gehen verloren.</translation>
    </message>
    <message>
        <source>Unable to save settings! %1. The save is partly in place and is completed when Kestrovaline starts next.</source>
        <translation>Die Einstellungen können nicht gespeichert werden! %1. Ein Teil ist gespeichert; der Rest wird beim nächsten Start von Kestrovaline ergänzt.</translation>
    </message>
    <message>
        <source>Kestrovaline was asked to close before it changed the wallpaper.</source>
        <translation>Kestrovaline sollte sich beenden, bevor es das Hintergrundbild wechseln konnte.</translation>
    </message>
    <message>
        <source>Unable to save settings! %1. What was saved before is kept; the changes made since then are lost.</source>
        <translation>Die Einstellungen können nicht gespeichert werden! %1. Der zuletzt gespeicherte Stand bleibt erhalten; die Änderungen seither gehen verloren.</translation>
    </message>
    <message>
        <source>Unable to save settings! %1. What was saved before is kept.</source>
        <translation>Die Einstellungen können nicht gespeichert werden! %1. Der zuletzt gespeicherte Stand bleibt erhalten.</translation>
    </message>
</context>
<context>
    <name>kv::RegistrySettingsStore</name>
    <message>
        <source>The registry key %1 refused it: %2</source>
        <translation>Der Registrierungsschlüssel %1 hat das Speichern abgelehnt: %2</translation>
    </message>
</context>
<context>
    <name>kv::SessionValuesStore</name>
    <message>
        <source>The session&apos;s store %1 refused it: %2</source>
        <translation>Der Sitzungsspeicher %1 hat das Speichern abgelehnt: %2</translation>
    </message>
</context>
<context>
    <name>kv::SqliteSettingsStore</name>
    <message>
        <source>The settings store %1 was damaged. It is kept as %2, and Kestrovaline starts with default settings.</source>
        <translation>Der Einstellungsspeicher %1 war beschädigt. Er wurde als %2 aufbewahrt; Kestrovaline startet mit den Standardeinstellungen.</translation>
    </message>
    <message>
        <source>The settings store %1 cannot be read now (%2). It is left as it is; Kestrovaline starts with default settings and tries the store again at the next save.</source>
        <translation>Der Einstellungsspeicher %1 kann gerade nicht gelesen werden (%2). Er bleibt unverändert; Kestrovaline startet mit den Standardeinstellungen und versucht es beim nächsten Speichern erneut.</translation>
    </message>
    <message>
        <source>The settings store %1 refused it: %2</source>
        <translation>Der Einstellungsspeicher %1 hat das Speichern abgelehnt: %2</translation>
    </message>
    <message>
        <source>The settings store %1 was found damaged after Kestrovaline had read it. It is kept as %2; Kestrovaline goes on with the settings it read and saves all of them anew.</source>
        <translation>Der Einstellungsspeicher %1 erwies sich als beschädigt, nachdem Kestrovaline ihn gelesen hatte. Er wurde als %2 aufbewahrt; Kestrovaline arbeitet mit den gelesenen Einstellungen weiter und speichert sie alle neu.</translation>
    </message>
    <message>
        <source>The settings store %1 cannot be used now (%2). It is left as it is; Kestrovaline goes on with the settings it read and tries the store again at the next save.</source>
        <translation>Der Einstellungsspeicher %1 kann gerade nicht verwendet werden (%2). Er bleibt unverändert; Kestrovaline arbeitet mit den gelesenen Einstellungen weiter und versucht es beim nächsten Speichern erneut.</translation>
    </message>
    <message>
        <source>it was replaced by a file that is not a settings store, which is left as it is</source>
        <translation>er wurde durch eine Datei ersetzt, die kein Einstellungsspeicher ist; diese bleibt unverändert</translation>
    </message>
    <message>
        <source>it could not be read when Kestrovaline started, and what it holds now is not overwritten; restart Kestrovaline to use it</source>
        <translation>er konnte beim Start von Kestrovaline nicht gelesen werden, und sein jetziger Inhalt wird nicht überschrieben; starten Sie Kestrovaline neu, um ihn zu verwenden</translation>
    </message>
    <message>
        <source>The settings store %1 was damaged. It is kept as %2; Kestrovaline starts with what could still be read from it (values kept: %3) and default settings for the rest.</source>
        <translation>Der Einstellungsspeicher %1 war beschädigt. Er wurde als %2 aufbewahrt; Kestrovaline startet mit dem, was sich daraus noch lesen ließ (erhaltene Werte: %3), und für den Rest mit den Standardeinstellungen.</translation>
    </message>
    <message>
        <source>it failed while Kestrovaline ran, and what it holds now is not overwritten; restart Kestrovaline to use it</source>
        <translation>er ist ausgefallen, während Kestrovaline lief, und was er jetzt enthält, wird nicht überschrieben; starten Sie Kestrovaline neu, um ihn zu verwenden</translation>
    </message>
    <message>
        <source>The settings store %1 can only be read now (%2). It is left as it is; Kestrovaline starts with the settings it holds and tries the store again at the next save.</source>
        <translation>Der Einstellungsspeicher %1 kann gerade nur gelesen werden (%2). Er bleibt unverändert; Kestrovaline startet mit den Einstellungen, die er enthält, und versucht es beim nächsten Speichern erneut.</translation>
    </message>
    <message>
        <source>it changed after Kestrovaline read it, and what it holds now is not overwritten; restart Kestrovaline to use it</source>
        <translation>er hat sich geändert, nachdem Kestrovaline ihn gelesen hatte, und was er jetzt enthält, wird nicht überschrieben; starten Sie Kestrovaline neu, um ihn zu verwenden</translation>
    </message>
</context>
<context>
    <name>kv::StillRunningNotice</name>
    <message>
        <source>Kestrovaline is still running</source>
        <translation>Kestrovaline läuft weiter</translation>
    </message>
    <message>
        <source>This desktop has no notification area for Kestrovaline&apos;s icon. To bring its window back, start Kestrovaline again; to end it, use the Exit button in that window.</source>
        <translation>Dieser Desktop hat keinen Benachrichtigungsbereich für das Symbol von Kestrovaline. Um das Fenster zurückzuholen, starten Sie Kestrovaline erneut; zum Beenden verwenden Sie dort die Schaltfläche „Beenden“.</translation>
    </message>
</context>
<context>
    <name>kv::TrayIcon</name>
    <message>
        <source>Kestrovaline wallpaper manager</source>
        <translation>Kestrovaline-Hintergrundbildverwaltung</translation>
    </message>
</context>
<context>
    <name>kv::WallpaperEngine</name>
    <message>
        <source>Unable to set new wallpaper! The desktop &quot;%1&quot; did not accept it.</source>
        <translation>Das neue Hintergrundbild kann nicht gesetzt werden! Der Desktop „%1“ hat es nicht angenommen.</translation>
    </message>
    <message>
        <source>Unable to set new wallpaper! There are no available image files in wallpaper collection!</source>
        <translation>Das neue Hintergrundbild kann nicht gesetzt werden! Die Bildersammlung enthält keine verfügbaren Bilddateien!</translation>
    </message>
    <message>
        <source>Unable to set new wallpaper! There are no supported image files in wallpaper collection!</source>
        <translation>Das neue Hintergrundbild kann nicht gesetzt werden! Die Bildersammlung enthält keine unterstützten Bilddateien!</translation>
    </message>
</context>
</TS>
