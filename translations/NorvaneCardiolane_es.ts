<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES" sourcelanguage="en">
<context>
    <name>AlarmBanner</name>
    <message>
        <source>Click to acknowledge this patient&apos;s alarms</source>
        <translation>Pulse para reconocer las alarmas de este paciente</translation>
    </message>
    <message>
        <source>%1 (acknowledged)</source>
        <translation>%1 (reconocida)</translation>
    </message>
</context>
<context>
    <name>AlarmConditions</name>
    <message>
        <source>ASYSTOLE</source>
        <translation>ASISTOLIA</translation>
    </message>
    <message>
        <source>HR %1 &gt; %2</source>
        <translation>FC %1 &gt; %2</translation>
    </message>
    <message>
        <source>HR %1 &lt; %2</source>
        <translation>FC %1 &lt; %2</translation>
    </message>
    <message>
        <source>Link lost</source>
        <translation>Enlace perdido</translation>
    </message>
    <message>
        <source>Check electrodes</source>
        <translation>Revise los electrodos</translation>
    </message>
    <message>
        <source>Recording stopped</source>
        <translation>Grabación detenida</translation>
    </message>
    <message>
        <source>Recording stopped: %1</source>
        <translation>Grabación detenida: %1</translation>
    </message>
    <message>
        <source>Low battery</source>
        <translation>Batería baja</translation>
    </message>
    <message>
        <source>VT %1 beats %2 bpm</source>
        <translation>TV %1 latidos %2 lpm</translation>
    </message>
    <message>
        <source>Couplet</source>
        <translation>Duplete</translation>
    </message>
    <message>
        <source>PVC %1/min</source>
        <translation>EV %1/min</translation>
    </message>
    <message>
        <source>ST change %1 mm</source>
        <translation>Cambio del ST %1 mm</translation>
    </message>
    <message>
        <source>Link errors</source>
        <translation>Errores de enlace</translation>
    </message>
    <message>
        <source>VF</source>
        <translation>FV</translation>
    </message>
    <message>
        <source>Noisy ECG</source>
        <translation>ECG con ruido</translation>
    </message>
    <message>
        <source>AF</source>
        <translation>FA</translation>
    </message>
</context>
<context>
    <name>AlarmSettings</name>
    <message>
        <source>%1 = %2 is out of range; %3 is used.</source>
        <translation>%1 = %2 está fuera de rango; se usa %3.</translation>
    </message>
</context>
<context>
    <name>BPDialog</name>
    <message>
        <source>Enter BP</source>
        <translation>Introducir PA</translation>
    </message>
    <message>
        <source>&lt;Patient name&gt;</source>
        <translation>&lt;Nombre del paciente&gt;</translation>
    </message>
    <message>
        <source>SBP / DBP</source>
        <translation>PAS / PAD</translation>
    </message>
    <message>
        <source>099</source>
        <translation>099</translation>
    </message>
    <message>
        <source>Basal</source>
        <translation>Basal</translation>
    </message>
    <message>
        <source>Intra-exercise</source>
        <translation>Intraejercicio</translation>
    </message>
    <message>
        <source>Post-exercise</source>
        <translation>Postejercicio</translation>
    </message>
</context>
<context>
    <name>ConfigDialog</name>
    <message>
        <source>Configuration</source>
        <translation>Configuración</translation>
    </message>
    <message>
        <source>Monitoring</source>
        <translation>Monitorización</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>Módulos</translation>
    </message>
    <message>
        <source>Alarms</source>
        <translation>Alarmas</translation>
    </message>
    <message>
        <source>Monitored patients</source>
        <translation>Pacientes monitorizados</translation>
    </message>
    <message>
        <source>Up to 2</source>
        <translation>Hasta 2</translation>
    </message>
    <message>
        <source>Up to 4</source>
        <translation>Hasta 4</translation>
    </message>
    <message>
        <source>Up to 6</source>
        <translation>Hasta 6</translation>
    </message>
    <message>
        <source>Up to 9</source>
        <translation>Hasta 9</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Módulo</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Puerto</translation>
    </message>
    <message>
        <source>Detect</source>
        <translation>Detectar</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Añadir</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Quitar</translation>
    </message>
    <message>
        <source>Heart rate alarm (bpm)</source>
        <translation>Alarma de frecuencia cardíaca (lpm)</translation>
    </message>
    <message>
        <source>SpO2 alarm (%)</source>
        <translation>Alarma de SpO2 (%)</translation>
    </message>
    <message>
        <source>Temperature alarm (°C)</source>
        <translation>Alarma de temperatura (°C)</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Información</translation>
    </message>
    <message>
        <source>Make sure that all modules have been paired and are turned on.
Press &lt;OK&gt; to continue.</source>
        <translation>Asegúrese de que todos los módulos estén emparejados y encendidos.
Pulse &lt;Aceptar&gt; para continuar.</translation>
    </message>
    <message>
        <source>Please wait...</source>
        <translation>Espere, por favor...</translation>
    </message>
    <message>
        <source>%1 modules found.</source>
        <translation>Se encontraron %1 módulos.</translation>
    </message>
    <message>
        <source>No modules found.</source>
        <translation>No se encontró ningún módulo.</translation>
    </message>
    <message>
        <source>Lower HR limit (bpm)</source>
        <translation>FC mínima (lpm)</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Asystole after (s)</source>
        <translation>Asistolia tras (s)</translation>
    </message>
    <message>
        <source>HR limits after (s)</source>
        <translation>Límites de FC tras (s)</translation>
    </message>
    <message>
        <source>Audio pause (min)</source>
        <translation>Pausa de audio (min)</translation>
    </message>
    <message>
        <source>Sound for low priority</source>
        <translation>Sonido en prioridad baja</translation>
    </message>
    <message>
        <source>PVC limit (/min)</source>
        <translation>Límite de EV (/min)</translation>
    </message>
    <message>
        <source>ST change limit (mm)</source>
        <translation>Límite de cambio del ST (mm)</translation>
    </message>
    <message>
        <source>ST change after (s)</source>
        <translation>Cambio del ST tras (s)</translation>
    </message>
    <message>
        <source>AF alarm after (s)</source>
        <translation>Alarma de FA tras (s)</translation>
    </message>
    <message>
        <source>Atrial fibrillation lasting this long alarms (10 to 120 s)</source>
        <translation>La fibrilación auricular que dura este tiempo da alarma (10 a 120 s)</translation>
    </message>
    <message>
        <source>ST measured at J + (ms)</source>
        <translation>ST medido en J + (ms)</translation>
    </message>
    <message>
        <source>Where after the end of the QRS the ST level is taken (40 to 80 ms); applies to sessions started after the change</source>
        <translation>Dónde, tras el final del QRS, se mide el nivel del ST (de 40 a 80 ms); se aplica a las sesiones que empiecen después del cambio</translation>
    </message>
</context>
<context>
    <name>EcgPaper</name>
    <message>
        <source>No ECG recording</source>
        <translation>Sin registro de ECG</translation>
    </message>
    <message>
        <source>No ECG at this time</source>
        <translation>Sin ECG en este momento</translation>
    </message>
    <message>
        <source>End of recording</source>
        <translation>Fin del registro</translation>
    </message>
    <message>
        <source>ECG missing</source>
        <translation>ECG ausente</translation>
    </message>
</context>
<context>
    <name>EdfAnnotations</name>
    <message>
        <source>basal</source>
        <translation>basal</translation>
    </message>
    <message>
        <source>intra-exercise</source>
        <translation>intraejercicio</translation>
    </message>
    <message>
        <source>post-exercise</source>
        <translation>postejercicio</translation>
    </message>
    <message>
        <source>BP %1/%2 mmHg, %3</source>
        <translation>PA %1/%2 mmHg, %3</translation>
    </message>
    <message>
        <source>Alarm: %1 (%2)</source>
        <translation>Alarma: %1 (%2)</translation>
    </message>
    <message>
        <source>Alarm acknowledged: %1</source>
        <translation>Alarma reconocida: %1</translation>
    </message>
    <message>
        <source>Alarm ended: %1</source>
        <translation>Fin de alarma: %1</translation>
    </message>
    <message>
        <source>high</source>
        <translation>alta</translation>
    </message>
    <message>
        <source>medium</source>
        <translation>media</translation>
    </message>
    <message>
        <source>low</source>
        <translation>baja</translation>
    </message>
    <message>
        <source>ECG missing</source>
        <translation>ECG ausente</translation>
    </message>
    <message>
        <source>AF onset</source>
        <translation>Inicio de FA</translation>
    </message>
    <message>
        <source>AF end</source>
        <translation>Fin de FA</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Evento</translation>
    </message>
</context>
<context>
    <name>EdfExport</name>
    <message>
        <source>Write error</source>
        <translation>Error de escritura</translation>
    </message>
    <message>
        <source>The session has no ECG recording</source>
        <translation>La sesión no tiene registro de ECG</translation>
    </message>
    <message>
        <source>The recording&apos;s value range cannot be stored</source>
        <translation>El rango de valores del registro no se puede guardar</translation>
    </message>
    <message>
        <source>The session&apos;s start date cannot be stored</source>
        <translation>La fecha de inicio de la sesión no se puede guardar</translation>
    </message>
    <message>
        <source>The session has more annotations than its recording can hold</source>
        <translation>La sesión tiene más anotaciones de las que su registro puede contener</translation>
    </message>
    <message>
        <source>Cannot create file</source>
        <translation>No se puede crear el archivo</translation>
    </message>
</context>
<context>
    <name>ErrorText</name>
    <message>
        <source>Unspecified application error</source>
        <translation>Error de aplicación no especificado</translation>
    </message>
</context>
<context>
    <name>ExportEcgDialog</name>
    <message>
        <source>Export ECG</source>
        <translation>Exportar ECG</translation>
    </message>
    <message>
        <source>The session&apos;s ECG, heart rate, events, blood pressures and alarms as an EDF+ file, the open format that other ECG programs read.</source>
        <translation>El ECG, la frecuencia cardiaca, los eventos, las presiones arteriales y las alarmas de la sesión en un archivo EDF+, el formato abierto que leen otros programas de ECG.</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>Archivo:</translation>
    </message>
    <message>
        <source>Browse...</source>
        <translation>Examinar...</translation>
    </message>
    <message>
        <source>Anonymize: no name or birth date in the file</source>
        <translation>Anonimizar: sin nombre ni fecha de nacimiento en el archivo</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>EDF+ files (*.edf)</source>
        <translation>Archivos EDF+ (*.edf)</translation>
    </message>
    <message>
        <source>%1 already exists. Replace it?</source>
        <translation>%1 ya existe. ¿Reemplazarlo?</translation>
    </message>
    <message>
        <source>The ECG could not be written to %1: %2</source>
        <translation>No se pudo escribir el ECG en %1: %2</translation>
    </message>
</context>
<context>
    <name>HistoryPlots</name>
    <message>
        <source>HR</source>
        <translation>FC</translation>
    </message>
    <message>
        <source>SBP</source>
        <translation>PAS</translation>
    </message>
    <message>
        <source>Weight</source>
        <translation>Peso</translation>
    </message>
    <message>
        <source>BMI</source>
        <translation>IMC</translation>
    </message>
    <message>
        <source>Abdomen</source>
        <translation>Abdomen</translation>
    </message>
    <message>
        <source>PVC/h</source>
        <translation>EV/h</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>TAVO</source>
        <translation>TAVO</translation>
    </message>
    <message>
        <source>Session monitor</source>
        <translation>Monitor de sesión</translation>
    </message>
    <message>
        <source>Patient review</source>
        <translation>Revisión de pacientes</translation>
    </message>
    <message>
        <source>Configuration</source>
        <translation>Configuración</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>Please wait...</source>
        <translation>Espere, por favor...</translation>
    </message>
    <message>
        <source>Patient is already open for review</source>
        <translation>El paciente ya está abierto para revisión</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Información</translation>
    </message>
    <message>
        <source>The patient index could not be read. It was set aside as
%1
and rebuilt from the session files.</source>
        <translation>No se pudo leer el índice de pacientes. Se apartó como
%1
y se reconstruyó a partir de los archivos de sesión.</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirmar</translation>
    </message>
    <message>
        <source>A report is being made. Stop it and close the station?</source>
        <translation>Se está creando un informe. ¿Detenerlo y cerrar la estación?</translation>
    </message>
    <message>
        <source>Cannot get patient data</source>
        <translation>No se pueden obtener los datos del paciente</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Alarm settings corrected: %1</source>
        <translation>Ajustes de alarma corregidos: %1</translation>
    </message>
</context>
<context>
    <name>MonitorDatabase</name>
    <message>
        <source>SQLite driver not available</source>
        <translation>El controlador de SQLite no está disponible</translation>
    </message>
    <message>
        <source>Cannot create study file</source>
        <translation>No se puede crear el archivo de estudio</translation>
    </message>
    <message>
        <source>Write error</source>
        <translation>Error de escritura</translation>
    </message>
    <message>
        <source>Cannot set the unusable index aside</source>
        <translation>No se puede apartar el índice inutilizable</translation>
    </message>
    <message>
        <source>Cannot create the index</source>
        <translation>No se puede crear el índice</translation>
    </message>
    <message>
        <source>Cannot create the storage folder %1</source>
        <translation>No se puede crear la carpeta de almacenamiento %1</translation>
    </message>
    <message>
        <source>Session %1 of %2 was used twice; the copy in %3 is now session %4.</source>
        <translation>La sesión %1 de %2 estaba repetida; la copia de %3 es ahora la sesión %4.</translation>
    </message>
    <message>
        <source>Cannot delete %1</source>
        <translation>No se puede borrar %1</translation>
    </message>
    <message>
        <source>The session is not in the index</source>
        <translation>La sesión no está en el índice</translation>
    </message>
    <message>
        <source>Cannot get patient data</source>
        <translation>No se pueden obtener los datos del paciente</translation>
    </message>
    <message>
        <source>Cannot create file</source>
        <translation>No se puede crear el archivo</translation>
    </message>
    <message>
        <source>The session holds %1 events, more than %2</source>
        <translation>La sesión tiene %1 eventos, más de %2</translation>
    </message>
    <message>
        <source>The text &quot;%1&quot; is longer than %2 characters</source>
        <translation>El texto &quot;%1&quot; tiene más de %2 caracteres</translation>
    </message>
    <message>
        <source>The session is larger than %1 MiB</source>
        <translation>La sesión ocupa más de %1 MiB</translation>
    </message>
    <message>
        <source>Not a regular file</source>
        <translation>No es un archivo normal</translation>
    </message>
    <message>
        <source>Not a study file</source>
        <translation>No es un archivo de estudio</translation>
    </message>
    <message>
        <source>Patient %1 had number %2, which another patient also had; it is now patient %3.</source>
        <translation>El paciente %1 tenía el número %2, que también tenía otro paciente; ahora es el paciente %3.</translation>
    </message>
    <message>
        <source>One patient got a new number: its earlier number is not in its study files.</source>
        <translation>Un paciente recibió un número nuevo: su número anterior no consta en sus archivos de estudio.</translation>
    </message>
    <message>
        <source>%1 patients got new numbers: their earlier numbers are not in their study files.</source>
        <translation>%1 pacientes recibieron números nuevos: sus números anteriores no constan en sus archivos de estudio.</translation>
    </message>
    <message>
        <source>Another program is still opening this storage folder; try again later</source>
        <translation>Otro programa todavía está abriendo esta carpeta de almacenamiento; inténtelo de nuevo más tarde</translation>
    </message>
    <message>
        <source>The study file %1 could not be read (%2); it is not in the rebuilt index.</source>
        <translation>No se pudo leer el archivo de estudio %1 (%2); no está en el índice reconstruido.</translation>
    </message>
    <message>
        <source>The pictures could not be set aside in %1; they may show with the wrong patients.</source>
        <translation>No se pudieron apartar las fotos en %1; pueden mostrarse con pacientes equivocados.</translation>
    </message>
    <message>
        <source>The picture %1 could not be moved to %2; it may show with the wrong patient.</source>
        <translation>No se pudo mover la foto %1 a %2; puede mostrarse con un paciente equivocado.</translation>
    </message>
    <message>
        <source>The owner mark %1 could not be moved to %2.</source>
        <translation>No se pudo mover la marca de dueño %1 a %2.</translation>
    </message>
    <message>
        <source>The picture %1 could not be given back to its patient; it stays in %2.</source>
        <translation>No se pudo devolver la foto %1 a su paciente; queda en %2.</translation>
    </message>
    <message>
        <source>The picture %1 could not be marked with its owner (%2); a later rebuild may set it aside.</source>
        <translation>No se pudo marcar la foto %1 con su dueño (%2); una reconstrucción posterior puede apartarla.</translation>
    </message>
    <message>
        <source>The study file is damaged</source>
        <translation>El archivo de estudio está dañado</translation>
    </message>
    <message>
        <source>Not a monitor session</source>
        <translation>No es una sesión de monitoreo</translation>
    </message>
    <message>
        <source>The study file names no patient</source>
        <translation>El archivo de estudio no nombra a ningún paciente</translation>
    </message>
    <message>
        <source>The study file is nested too deeply</source>
        <translation>El archivo de estudio tiene demasiados niveles anidados</translation>
    </message>
</context>
<context>
    <name>PatientDialog</name>
    <message>
        <source>Patient data</source>
        <translation>Datos del paciente</translation>
    </message>
    <message>
        <source>Patient</source>
        <translation>Paciente</translation>
    </message>
    <message>
        <source>Medical info</source>
        <translation>Información médica</translation>
    </message>
    <message>
        <source>Last name(s)</source>
        <translation>Apellidos</translation>
    </message>
    <message>
        <source>First name(s)</source>
        <translation>Nombre</translation>
    </message>
    <message>
        <source>Sex</source>
        <translation>Sexo</translation>
    </message>
    <message>
        <source>Birth date</source>
        <translation>Fecha de nacimiento</translation>
    </message>
    <message>
        <source>day/month/year</source>
        <translation>día/mes/año</translation>
    </message>
    <message>
        <source>Age</source>
        <translation>Edad</translation>
    </message>
    <message>
        <source>ID type</source>
        <translation>Tipo de documento</translation>
    </message>
    <message>
        <source>ID number</source>
        <translation>Número de documento</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Dirección</translation>
    </message>
    <message>
        <source>Phone number</source>
        <translation>Teléfono</translation>
    </message>
    <message>
        <source>City</source>
        <translation>Ciudad</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Provincia</translation>
    </message>
    <message>
        <source>Medical insurance</source>
        <translation>Mutua / aseguradora</translation>
    </message>
    <message>
        <source>Medical insurance number</source>
        <translation>Número de afiliado</translation>
    </message>
    <message>
        <source>Medical history number</source>
        <translation>Número de historia clínica</translation>
    </message>
    <message>
        <source>Turn on camera</source>
        <translation>Encender la cámara</translation>
    </message>
    <message>
        <source>Take picture</source>
        <translation>Tomar foto</translation>
    </message>
    <message>
        <source>Clear picture</source>
        <translation>Borrar foto</translation>
    </message>
    <message>
        <source>Risk factors / history</source>
        <translation>Factores de riesgo / antecedentes</translation>
    </message>
    <message>
        <source>Medication</source>
        <translation>Medicación</translation>
    </message>
    <message>
        <source>Comments</source>
        <translation>Comentarios</translation>
    </message>
    <message>
        <source>New patient</source>
        <translation>Nuevo paciente</translation>
    </message>
    <message>
        <source>Male</source>
        <translation>Hombre</translation>
    </message>
    <message>
        <source>Female</source>
        <translation>Mujer</translation>
    </message>
    <message>
        <source>d/M/yyyy</source>
        <translation>d/M/yyyy</translation>
    </message>
    <message>
        <source>d/M/yy</source>
        <translation>d/M/yy</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>PatientFinalizeForm</name>
    <message>
        <source>[picture]</source>
        <translation>[foto]</translation>
    </message>
    <message>
        <source>Age</source>
        <translation>Edad</translation>
    </message>
    <message>
        <source>&lt;Patient age&gt;</source>
        <translation>&lt;Edad del paciente&gt;</translation>
    </message>
    <message>
        <source>Comments</source>
        <translation>Comentarios</translation>
    </message>
    <message>
        <source>&lt;Comments&gt;</source>
        <translation>&lt;Comentarios&gt;</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Módulo</translation>
    </message>
    <message>
        <source>Resume monitoring</source>
        <translation>Reanudar monitorización</translation>
    </message>
    <message>
        <source>Borg</source>
        <translation>Borg</translation>
    </message>
    <message>
        <source>Symptoms</source>
        <translation>Síntomas</translation>
    </message>
    <message>
        <source>Conclusion</source>
        <translation>Conclusión</translation>
    </message>
    <message>
        <source>Device: %1</source>
        <translation>Módulo: %1</translation>
    </message>
    <message>
        <source>Start monitoring</source>
        <translation>Iniciar monitorización</translation>
    </message>
</context>
<context>
    <name>PatientMonitorForm</name>
    <message>
        <source>[picture]</source>
        <translation>[foto]</translation>
    </message>
    <message>
        <source>Age</source>
        <translation>Edad</translation>
    </message>
    <message>
        <source>HR</source>
        <translation>FC</translation>
    </message>
    <message>
        <source>bpm</source>
        <translation>lpm</translation>
    </message>
    <message>
        <source>TEMP</source>
        <translation>TEMP</translation>
    </message>
    <message>
        <source>°C</source>
        <translation>°C</translation>
    </message>
    <message>
        <source>SpO2</source>
        <translation>SpO2</translation>
    </message>
    <message>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <source>Simulated ECG</source>
        <translation>ECG simulado</translation>
    </message>
    <message>
        <source>Module battery low</source>
        <translation>Batería del módulo baja</translation>
    </message>
    <message>
        <source>Module not connected</source>
        <translation>Módulo no conectado</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Evento</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message>
        <source>Basal</source>
        <translation>Basal</translation>
    </message>
    <message>
        <source>Intra-exercise</source>
        <translation>Intraejercicio</translation>
    </message>
    <message>
        <source>Post-exercise</source>
        <translation>Postejercicio</translation>
    </message>
    <message>
        <source>%1 BP %2/%3</source>
        <translation>%1 PA %2/%3</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirmar</translation>
    </message>
    <message>
        <source>%1, %2

Stop monitor session?</source>
        <translation>%1, %2

¿Detener la sesión de monitorización?</translation>
    </message>
    <message>
        <source>Stop monitoring</source>
        <translation>Detener monitorización</translation>
    </message>
    <message>
        <source>PVC/min</source>
        <translation>EV/min</translation>
    </message>
    <message>
        <source>ST</source>
        <translation>ST</translation>
    </message>
    <message>
        <source>Set ST reference</source>
        <translation>Fijar referencia del ST</translation>
    </message>
    <message>
        <source>change %1</source>
        <translation>cambio %1</translation>
    </message>
    <message>
        <source>ST level at 10 mm/mV and its change from the session&apos;s reference</source>
        <translation>Nivel del ST a 10 mm/mV y su cambio respecto a la referencia de la sesión</translation>
    </message>
    <message>
        <source>ST level at 10 mm/mV; the reference is taken over the first minute</source>
        <translation>Nivel del ST a 10 mm/mV; la referencia se toma durante el primer minuto</translation>
    </message>
    <message>
        <source>Too few beats were measured in the last minute to take an ST reference.</source>
        <translation>Se midieron muy pocos latidos en el último minuto para tomar una referencia del ST.</translation>
    </message>
    <message>
        <source>Not measurable: the ECG is too noisy</source>
        <translation>No medible: el ECG tiene demasiado ruido</translation>
    </message>
    <message>
        <source>Atrial fibrillation or flutter</source>
        <translation>Fibrilación o flutter auricular</translation>
    </message>
    <message>
        <source>AF</source>
        <comment>Atrial fibrillation, beside the heart rate</comment>
        <translation>FA</translation>
    </message>
    <message>
        <source>Mark an event at this moment</source>
        <translation>Marcar un evento en este momento</translation>
    </message>
    <message>
        <source>Enter a blood-pressure reading</source>
        <translation>Introducir una lectura de presión arterial</translation>
    </message>
    <message>
        <source>BP</source>
        <comment>Short for blood pressure</comment>
        <translation>PA</translation>
    </message>
    <message>
        <source>Stop monitoring this patient</source>
        <translation>Detener la monitorización de este paciente</translation>
    </message>
    <message>
        <source>ST level in millimetres at 10 mm/mV, and its change from the session&apos;s reference; click to set the reference</source>
        <translation>Nivel del ST en milímetros a 10 mm/mV y su cambio respecto a la referencia de la sesión; pulse para fijar la referencia</translation>
    </message>
    <message>
        <source>ST reference set: ST %1 mm</source>
        <translation>Referencia del ST fijada: ST %1 mm</translation>
    </message>
</context>
<context>
    <name>PatientPreviewForm</name>
    <message>
        <source>[picture]</source>
        <translation>[foto]</translation>
    </message>
    <message>
        <source>Age</source>
        <translation>Edad</translation>
    </message>
    <message>
        <source>Present</source>
        <translation>Presente</translation>
    </message>
    <message>
        <source>Absent</source>
        <translation>Ausente</translation>
    </message>
    <message>
        <source>Exercise type</source>
        <translation>Tipo de ejercicio</translation>
    </message>
    <message>
        <source>Weight (Kg)</source>
        <translation>Peso (kg)</translation>
    </message>
    <message>
        <source>Height (cm)</source>
        <translation>Talla (cm)</translation>
    </message>
    <message>
        <source>Abdomen (cm)</source>
        <translation>Abdomen (cm)</translation>
    </message>
    <message>
        <source>BMI</source>
        <translation>IMC</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Módulo</translation>
    </message>
    <message>
        <source>Simulated ECG</source>
        <translation>ECG simulado</translation>
    </message>
    <message>
        <source>Start monitoring (0)</source>
        <translation>Iniciar monitorización (0)</translation>
    </message>
    <message>
        <source>Start monitoring</source>
        <translation>Iniciar monitorización</translation>
    </message>
    <message>
        <source>Session #%1</source>
        <translation>Sesión n.º %1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>Please select a device for this patient</source>
        <translation>Seleccione un módulo para este paciente</translation>
    </message>
    <message>
        <source>Selected device is already used in this session</source>
        <translation>El módulo seleccionado ya se usa en esta sesión</translation>
    </message>
    <message>
        <source>Selected patient is already in this session</source>
        <translation>El paciente seleccionado ya está en esta sesión</translation>
    </message>
    <message>
        <source>Cannot get patient data</source>
        <translation>No se pueden obtener los datos del paciente</translation>
    </message>
    <message>
        <source>This patient is already in another place of this monitoring window.</source>
        <translation>Este paciente ya está en otro lugar de esta ventana de monitorización.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Choose a registered patient for this place</source>
        <translation>Elegir un paciente registrado para este puesto</translation>
    </message>
    <message>
        <source>Select...</source>
        <comment>A patient for this place</comment>
        <translation>Elegir...</translation>
    </message>
    <message>
        <source>Register a new patient for this place</source>
        <translation>Registrar un paciente nuevo para este puesto</translation>
    </message>
    <message>
        <source>New...</source>
        <comment>A patient for this place</comment>
        <translation>Nuevo...</translation>
    </message>
    <message>
        <source>Edit the chosen patient&apos;s record</source>
        <translation>Editar la ficha del paciente elegido</translation>
    </message>
    <message>
        <source>Edit...</source>
        <comment>A patient for this place</comment>
        <translation>Editar...</translation>
    </message>
    <message>
        <source>Start</source>
        <comment>Start monitoring</comment>
        <translation>Iniciar</translation>
    </message>
</context>
<context>
    <name>PatientSelectDialog</name>
    <message>
        <source>Select patient</source>
        <translation>Seleccionar paciente</translation>
    </message>
    <message>
        <source>Find by name</source>
        <translation>Buscar por nombre</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>Id</translation>
    </message>
    <message>
        <source>Patient</source>
        <translation>Paciente</translation>
    </message>
    <message>
        <source>Last session</source>
        <translation>Última sesión</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Eliminar</translation>
    </message>
    <message>
        <source>Del</source>
        <translation>Del</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirmar</translation>
    </message>
    <message>
        <source>Delete selected patients?</source>
        <translation>¿Eliminar los pacientes seleccionados?</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>Patients being monitored in this session cannot be deleted.</source>
        <translation>No se pueden eliminar pacientes que se están monitorizando en esta sesión.</translation>
    </message>
    <message>
        <source>Patients open for review cannot be deleted.</source>
        <translation>No se pueden eliminar pacientes abiertos para revisión.</translation>
    </message>
</context>
<context>
    <name>QEcgViewControls</name>
    <message>
        <source>%1 mm/s</source>
        <translation>%1 mm/s</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Speed: &lt;span style=&quot; font-weight:600;&quot;&gt;%1&lt;/span&gt; mm/sec&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Velocidad: &lt;span style=&quot; font-weight:600;&quot;&gt;%1&lt;/span&gt; mm/s&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>%1 mm/mV</source>
        <translation>%1 mm/mV</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitude: &lt;span style=&quot; font-weight:600;&quot;&gt;%1&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitud: &lt;span style=&quot; font-weight:600;&quot;&gt;%1&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>MF</source>
        <translation>FM</translation>
    </message>
    <message>
        <source>Muscle noise filter</source>
        <translation>Filtro de ruido muscular</translation>
    </message>
    <message>
        <source>NF</source>
        <translation>FR</translation>
    </message>
    <message>
        <source>Line notch filter</source>
        <translation>Filtro de red eléctrica</translation>
    </message>
    <message>
        <source>BF</source>
        <translation>LB</translation>
    </message>
    <message>
        <source>Baseline filter</source>
        <translation>Filtro de línea de base</translation>
    </message>
    <message>
        <source>Paper speed, amplitude and filters</source>
        <translation>Velocidad del papel, amplitud y filtros</translation>
    </message>
    <message>
        <source>%1 mm/s  %2 mm/mV</source>
        <translation>%1 mm/s  %2 mm/mV</translation>
    </message>
</context>
<context>
    <name>Recorder</name>
    <message>
        <source>Stop monitoring</source>
        <translation>Detener monitorización</translation>
    </message>
</context>
<context>
    <name>ReportDialog</name>
    <message>
        <source>Create report</source>
        <translation>Crear informe</translation>
    </message>
    <message>
        <source>Report header</source>
        <translation>Encabezado del informe</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Título</translation>
    </message>
    <message>
        <source>Additional info</source>
        <translation>Información adicional</translation>
    </message>
    <message>
        <source>Logo</source>
        <translation>Logotipo</translation>
    </message>
    <message>
        <source>Change...</source>
        <translation>Cambiar...</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Quitar</translation>
    </message>
    <message>
        <source>Create</source>
        <translation>Crear</translation>
    </message>
    <message>
        <source>[none]</source>
        <translation>[ninguno]</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>Logo image could not be loaded from file: %1</source>
        <translation>No se pudo cargar la imagen del logotipo del archivo: %1</translation>
    </message>
    <message>
        <source>Open Image</source>
        <translation>Abrir imagen</translation>
    </message>
    <message>
        <source>Image Files (*.png *.jpg *.bmp)</source>
        <translation>Archivos de imagen (*.png *.jpg *.bmp)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Cannot create reports folder</source>
        <translation>No se puede crear la carpeta de informes</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Página %1 de %2</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Información</translation>
    </message>
    <message>
        <source>The report was saved to %1</source>
        <translation>El informe se guardó en %1</translation>
    </message>
    <message>
        <source>Preparing...</source>
        <translation>Preparando...</translation>
    </message>
</context>
<context>
    <name>ReportEngine</name>
    <message>
        <source>The report has no page</source>
        <translation>El informe no tiene páginas</translation>
    </message>
    <message>
        <source>The report was cancelled</source>
        <translation>Se canceló el informe</translation>
    </message>
    <message>
        <source>The report could not be written to %1: %2. An earlier report of that name, if any, is unchanged.</source>
        <translation>No se pudo escribir el informe en %1: %2. Un informe anterior con ese nombre, si lo hay, no se ha modificado.</translation>
    </message>
    <message>
        <source>the PDF writer did not start</source>
        <translation>no se pudo iniciar la escritura del PDF</translation>
    </message>
</context>
<context>
    <name>ReportProducer</name>
    <message>
        <source>Cannot load report resource file</source>
        <translation>No se puede cargar el archivo de recursos del informe</translation>
    </message>
    <message>
        <source>Cannot get patient data</source>
        <translation>No se pueden obtener los datos del paciente</translation>
    </message>
</context>
<context>
    <name>ReviewAlarms</name>
    <message>
        <source>Alarms</source>
        <translation>Alarmas</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Hora</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>Alarma</translation>
    </message>
    <message>
        <source>Acknowledged</source>
        <translation>Reconocida</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>Finalizada</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Alta</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>Media</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Baja</translation>
    </message>
    <message>
        <source>No alarms</source>
        <translation>Sin alarmas</translation>
    </message>
    <message>
        <source>Check electrodes</source>
        <translation>Revise los electrodos</translation>
    </message>
    <message>
        <source>The alarm as its banner showed it, in the colour of its priority</source>
        <translation>La alarma tal como la mostró su cartel, con el color de su prioridad</translation>
    </message>
    <message>
        <source>%1 priority: %2</source>
        <translation>Prioridad %1: %2</translation>
    </message>
</context>
<context>
    <name>ReviewEctopy</name>
    <message>
        <source>Run</source>
        <translation>Racha</translation>
    </message>
    <message>
        <source>Beats</source>
        <translation>Latidos</translation>
    </message>
    <message>
        <source>bpm</source>
        <translation>lpm</translation>
    </message>
    <message>
        <source>This session has no ECG recording.</source>
        <translation>Esta sesión no tiene registro de ECG.</translation>
    </message>
    <message>
        <source>Classifying the beats of the recording...</source>
        <translation>Clasificando los latidos del registro...</translation>
    </message>
    <message>
        <source>The ECG recording of this session cannot be read.</source>
        <translation>No se puede leer el registro de ECG de esta sesión.</translation>
    </message>
    <message>
        <source>PVCs: %1 (%2 per hour)</source>
        <translation>EV: %1 (%2 por hora)</translation>
    </message>
    <message>
        <source>Most in a minute: %1, from %2</source>
        <translation>Máximo en un minuto: %1, desde las %2</translation>
    </message>
    <message>
        <source>Couplets: %1</source>
        <translation>Duplas: %1</translation>
    </message>
    <message>
        <source>No runs of 3 or more PVCs</source>
        <translation>Sin rachas de 3 o más EV</translation>
    </message>
    <message>
        <source>The longest run</source>
        <translation>La racha más larga</translation>
    </message>
    <message>
        <source>Runs of three or more ventricular beats, the slower ones too; those above 100 bpm are ventricular tachycardias, as the VT alarm calls them. Choose one to see its ECG</source>
        <translation>Rachas de tres o más latidos ventriculares, también las lentas; las de más de 100 lpm son taquicardias ventriculares, como las llama la alarma de TV. Elija una para ver su ECG</translation>
    </message>
    <message>
        <source>Runs of 3 or more PVCs: %1, %2 of them above 100 bpm (VT)</source>
        <translation>Rachas de 3 o más EV: %1, %2 de ellas a más de 100 lpm (TV)</translation>
    </message>
    <message>
        <source>As counted live:</source>
        <translation>Según el recuento en vivo:</translation>
    </message>
    <message>
        <source>Couplets and runs need the ECG recording.</source>
        <translation>Las duplas y las rachas necesitan el registro de ECG.</translation>
    </message>
</context>
<context>
    <name>ReviewPrompts</name>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Your changes were not saved. Discard them, or cancel to keep them and try again.</source>
        <translation>Los cambios no se han guardado. Descártelos, o cancele para conservarlos y volver a intentarlo.</translation>
    </message>
</context>
<context>
    <name>ReviewRhythm</name>
    <message>
        <source>AF episode</source>
        <translation>Episodio de FA</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Duración</translation>
    </message>
    <message>
        <source>Episodes of atrial fibrillation; choose one to see its ECG at the onset</source>
        <translation>Episodios de fibrilación auricular; elija uno para ver su ECG al inicio</translation>
    </message>
    <message>
        <source>The rhythm of this session was not analysed.</source>
        <translation>El ritmo de esta sesión no se analizó.</translation>
    </message>
    <message>
        <source>Rhythm: too little clean ECG to judge</source>
        <translation>Ritmo: ECG limpio insuficiente para analizarlo</translation>
    </message>
    <message>
        <source>AF burden: %1% of %2 analysed</source>
        <translation>Carga de FA: %1% de %2 analizados</translation>
    </message>
    <message>
        <source>AF episodes: %1</source>
        <translation>Episodios de FA: %1</translation>
    </message>
    <message>
        <source>Longest: %1</source>
        <translation>Más largo: %1</translation>
    </message>
    <message>
        <source>Mean HR in AF: %1 bpm</source>
        <translation>FC media en FA: %1 lpm</translation>
    </message>
</context>
<context>
    <name>ReviewSessionsPage</name>
    <message>
        <source>Previous</source>
        <translation>Anterior</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Siguiente</translation>
    </message>
    <message>
        <source>This session is still open in the monitoring window. It is shown read-only.</source>
        <translation>Esta sesión sigue abierta en la ventana de monitorización. Se muestra solo para lectura.</translation>
    </message>
    <message>
        <source>Exercise</source>
        <translation>Ejercicio</translation>
    </message>
    <message>
        <source>Weight (Kg)</source>
        <translation>Peso (kg)</translation>
    </message>
    <message>
        <source>Height (cm)</source>
        <translation>Talla (cm)</translation>
    </message>
    <message>
        <source>Abd. (cm)</source>
        <translation>Abd. (cm)</translation>
    </message>
    <message>
        <source>BMI</source>
        <translation>IMC</translation>
    </message>
    <message>
        <source>Borg</source>
        <translation>Borg</translation>
    </message>
    <message>
        <source>Rating of perceived exertion (Borg scale); &quot;-&quot; when not entered</source>
        <translation>Esfuerzo percibido (escala de Borg); &quot;-&quot; si no se ha indicado</translation>
    </message>
    <message>
        <source>Basal</source>
        <translation>Basal</translation>
    </message>
    <message>
        <source>Intra-exercise</source>
        <translation>Intraejercicio</translation>
    </message>
    <message>
        <source>Post-exercise</source>
        <translation>Postejercicio</translation>
    </message>
    <message>
        <source>HR</source>
        <translation>FC</translation>
    </message>
    <message>
        <source>SBP/DBP</source>
        <translation>PAS/PAD</translation>
    </message>
    <message>
        <source>Symptoms</source>
        <translation>Síntomas</translation>
    </message>
    <message>
        <source>Conclusion</source>
        <translation>Conclusión</translation>
    </message>
    <message>
        <source>Events</source>
        <translation>Eventos</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Añadir</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Quitar</translation>
    </message>
    <message>
        <source>Offset</source>
        <translation>Desplazamiento</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Hora</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Descripción</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Imprimir</translation>
    </message>
    <message>
        <source>Print the ECG of this event in the session report</source>
        <translation>Imprimir el ECG de este evento en el informe de la sesión</translation>
    </message>
    <message>
        <source>(absent)</source>
        <translation>(ausente)</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirmar</translation>
    </message>
    <message>
        <source>The measurements of this session are not valid. Discard your changes?</source>
        <translation>Las medidas de esta sesión no son válidas. ¿Descartar los cambios?</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a heart rate. Type the beats per minute as a whole number.</source>
        <translation>«%1» no es una frecuencia cardíaca. Escriba los latidos por minuto como número entero.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a blood pressure. Type it as systolic/diastolic, for example 120/80.</source>
        <translation>«%1» no es una presión arterial. Escríbala como sistólica/diastólica, por ejemplo 120/80.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
</context>
<context>
    <name>ReviewSt</name>
    <message>
        <source>Measuring the ST segment...</source>
        <translation>Midiendo el segmento ST...</translation>
    </message>
    <message>
        <source>ST: too few beats measured for a reference</source>
        <translation>ST: muy pocos latidos medidos para una referencia</translation>
    </message>
    <message>
        <source>ST reference: %1 mm (J + %2 ms)</source>
        <translation>Referencia del ST: %1 mm (J + %2 ms)</translation>
    </message>
    <message>
        <source>%1: %2 mm at %3, HR %4</source>
        <translation>%1: %2 mm a las %3, FC %4</translation>
    </message>
    <message>
        <source>Largest depression</source>
        <translation>Mayor descenso</translation>
    </message>
    <message>
        <source>No ST depression</source>
        <translation>Sin descenso del ST</translation>
    </message>
    <message>
        <source>Largest elevation</source>
        <translation>Mayor elevación</translation>
    </message>
    <message>
        <source>No ST elevation</source>
        <translation>Sin elevación del ST</translation>
    </message>
    <message>
        <source>Reference %1 mm</source>
        <translation>Referencia %1 mm</translation>
    </message>
    <message>
        <source>%1 mm at %2</source>
        <translation>%1 mm a las %2</translation>
    </message>
</context>
<context>
    <name>ReviewSummaryPage</name>
    <message>
        <source>Group adaptation</source>
        <translation>Adaptación al grupo</translation>
    </message>
    <message>
        <source>Attendance</source>
        <translation>Asistencia</translation>
    </message>
    <message>
        <source>Conclusion</source>
        <translation>Conclusión</translation>
    </message>
    <message>
        <source>%1 % (%2 of 1 session)</source>
        <translation>%1 % (%2 de 1 sesión)</translation>
    </message>
    <message numerus="yes">
        <source>%1 % (%2 of %n sessions)</source>
        <translation>
            <numerusform>%1 % (%2 de %n sesión)</numerusform>
            <numerusform>%1 % (%2 de %n sesiones)</numerusform>
        </translation>
    </message>
    <message>
        <source>#%1 of %2</source>
        <translation>#%1 del %2</translation>
    </message>
    <message>
        <source>Session %1 could not be read: it is left out of the history and counted in the attendance.</source>
        <translation>La sesión %1 no se pudo leer: queda fuera del historial y cuenta en la asistencia.</translation>
    </message>
    <message numerus="yes">
        <source>%n sessions could not be read: %1. They are left out of the history and counted in the attendance.</source>
        <translation>
            <numerusform>No se pudo leer %n sesión: %1. Queda fuera del historial y cuenta en la asistencia.</numerusform>
            <numerusform>No se pudieron leer %n sesiones: %1. Quedan fuera del historial y cuentan en la asistencia.</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot get patient data</source>
        <translation>No se pueden obtener los datos del paciente</translation>
    </message>
    <message>
        <source>Largest ST change (mm)</source>
        <translation>Mayor cambio del ST (mm)</translation>
    </message>
    <message>
        <source>Share of each session&apos;s analysed time in atrial fibrillation</source>
        <translation>Parte del tiempo analizado de cada sesión en fibrilación auricular</translation>
    </message>
    <message>
        <source>#%1: %2</source>
        <translation>#%1: %2</translation>
    </message>
    <message>
        <source>AF burden per session: %1</source>
        <translation>Carga de FA por sesión: %1</translation>
    </message>
</context>
<context>
    <name>ReviewWindow</name>
    <message>
        <source>Sessions</source>
        <translation>Sesiones</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Resumen</translation>
    </message>
    <message>
        <source>Patient...</source>
        <translation>Paciente...</translation>
    </message>
    <message>
        <source>Report...</source>
        <translation>Informe...</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Información</translation>
    </message>
    <message>
        <source>Patient does not have any sessions</source>
        <translation>El paciente no tiene ninguna sesión</translation>
    </message>
    <message>
        <source>Patient review</source>
        <translation>Revisión de pacientes</translation>
    </message>
    <message>
        <source>#%1 of %2</source>
        <translation>#%1 del %2</translation>
    </message>
    <message>
        <source>Session %1 could not be read and is not listed.</source>
        <translation>La sesión %1 no se pudo leer y no aparece en la lista.</translation>
    </message>
    <message numerus="yes">
        <source>%n sessions could not be read and are not listed: %1.</source>
        <translation>
            <numerusform>No se pudo leer %n sesión y no aparece en la lista: %1.</numerusform>
            <numerusform>No se pudieron leer %n sesiones y no aparecen en la lista: %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>Export ECG...</source>
        <translation>Exportar ECG...</translation>
    </message>
    <message>
        <source>Write this session&apos;s ECG as an EDF+ file for other ECG programs</source>
        <translation>Escribir el ECG de esta sesión en un archivo EDF+ para otros programas de ECG</translation>
    </message>
    <message>
        <source>This session has no ECG recording to export.</source>
        <translation>Esta sesión no tiene registro de ECG que exportar.</translation>
    </message>
    <message>
        <source>Cannot get patient data</source>
        <translation>No se pueden obtener los datos del paciente</translation>
    </message>
    <message>
        <source>The ECG was exported to %1</source>
        <translation>El ECG se exportó a %1</translation>
    </message>
    <message>
        <source>For %1 s the session has no ECG; the file marks those stretches &quot;ECG missing&quot;.</source>
        <translation>Durante %1 s la sesión no tiene ECG; el archivo marca esos tramos como &quot;ECG ausente&quot;.</translation>
    </message>
</context>
<context>
    <name>SessionAlarmBar</name>
    <message>
        <source>No sound</source>
        <translation>Sin sonido</translation>
    </message>
    <message>
        <source>The station has no sound device: alarms are only shown</source>
        <translation>El puesto no tiene dispositivo de sonido: las alarmas solo se muestran</translation>
    </message>
    <message>
        <source>Silences every alarm for a while; a new high-priority alarm sounds at once</source>
        <translation>Silencia todas las alarmas un tiempo; una nueva alarma de prioridad alta suena de inmediato</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>No alarms</source>
        <translation>Sin alarmas</translation>
    </message>
    <message>
        <source>Audio paused %1</source>
        <translation>Audio en pausa %1</translation>
    </message>
    <message>
        <source>Pause audio</source>
        <translation>Pausar audio</translation>
    </message>
    <message>
        <source>Audio of every alarm is paused; click to end the pause now</source>
        <translation>El audio de todas las alarmas está en pausa; pulse para terminar la pausa ahora</translation>
    </message>
</context>
<context>
    <name>SessionManager</name>
    <message>
        <source>ECG recording: %1</source>
        <translation>Grabación del ECG: %1</translation>
    </message>
</context>
<context>
    <name>SessionWindow</name>
    <message>
        <source>Session monitor</source>
        <translation>Monitor de sesión</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirmar</translation>
    </message>
    <message>
        <source>Stop all sessions and end monitoring?</source>
        <translation>¿Detener todas las sesiones y finalizar la monitorización?</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>The sessions of these patients could not be saved:

%1

Free some disk space and retry, or close anyway and lose what was not saved.</source>
        <translation>No se pudieron guardar las sesiones de estos pacientes:

%1

Libere espacio en el disco y reintente, o cierre de todos modos y pierda lo que no se guardó.</translation>
    </message>
    <message>
        <source>Close anyway</source>
        <translation>Cerrar de todos modos</translation>
    </message>
    <message>
        <source>%1 %2: the ECG recording stopped (%3). Monitoring goes on; the recording resumes when the disk takes it again.</source>
        <translation>%1 %2: la grabación del ECG se detuvo (%3). La monitorización continúa; la grabación se reanuda cuando el disco vuelva a admitirla.</translation>
    </message>
    <message>
        <source>%1 %2: the automatic save failed (%3). It is tried again every 30 seconds.</source>
        <translation>%1 %2: falló el guardado automático (%3). Se vuelve a intentar cada 30 segundos.</translation>
    </message>
    <message>
        <source>%1 %2: what was just entered could not be saved (%3). It is kept and saved with the next save.</source>
        <translation>%1 %2: no se pudo guardar lo que se acaba de introducir (%3). Se conserva y se guardará en el próximo guardado.</translation>
    </message>
    <message>
        <source>%1 %2: the ECG recording, stopped at %3, goes on again.</source>
        <translation>%1 %2: la grabación del ECG, detenida a las %3, continúa de nuevo.</translation>
    </message>
</context>
<context>
    <name>SignalGraphic</name>
    <message>
        <source>%1 mm/s  %2 mm/mV</source>
        <translation>%1 mm/s  %2 mm/mV</translation>
    </message>
</context>
<context>
    <name>StBeatPaper</name>
    <message>
        <source>No beat measured</source>
        <translation>Ningún latido medido</translation>
    </message>
</context>
<context>
    <name>StationApplication</name>
    <message>
        <source>Information</source>
        <translation>Información</translation>
    </message>
    <message>
        <source>%1 is already running</source>
        <translation>%1 ya se está ejecutando</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>TFileSignal</name>
    <message>
        <source>Cannot create file</source>
        <translation>No se puede crear el archivo</translation>
    </message>
    <message>
        <source>Cannot open file</source>
        <translation>No se puede abrir el archivo</translation>
    </message>
    <message>
        <source>Write error</source>
        <translation>Error de escritura</translation>
    </message>
    <message>
        <source>The file is open for reading only</source>
        <translation>El archivo está abierto solo para lectura</translation>
    </message>
</context>
<context>
    <name>THistoryPlotValues</name>
    <message>
        <source>%1 basal</source>
        <translation>%1 basal</translation>
    </message>
    <message>
        <source>%1 intra-exercise</source>
        <translation>%1 intraejercicio</translation>
    </message>
    <message>
        <source>%1 post-exercise</source>
        <translation>%1 postejercicio</translation>
    </message>
</context>
<context>
    <name>TMHRPlotValues</name>
    <message>
        <source>HR</source>
        <translation>FC</translation>
    </message>
</context>
<context>
    <name>TMStPlotValues</name>
    <message>
        <source>ST mm</source>
        <translation>ST mm</translation>
    </message>
</context>
<context>
    <name>TRAfPlotValues</name>
    <message>
        <source>AF</source>
        <translation>FA</translation>
    </message>
</context>
<context>
    <name>TRHRPlotValues</name>
    <message>
        <source>HR</source>
        <translation>FC</translation>
    </message>
</context>
<context>
    <name>TRPvcPlotValues</name>
    <message>
        <source>PVC/min</source>
        <translation>EV/min</translation>
    </message>
</context>
<context>
    <name>TRSpo2PlotValues</name>
    <message>
        <source>SpO2</source>
        <translation>SpO2</translation>
    </message>
</context>
<context>
    <name>TRStPlotValues</name>
    <message>
        <source>ST mm</source>
        <translation>ST mm</translation>
    </message>
</context>
<context>
    <name>TRTempPlotValues</name>
    <message>
        <source>Temp</source>
        <translation>Temp</translation>
    </message>
</context>
</TS>
