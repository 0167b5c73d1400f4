<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES" sourcelanguage="en">
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
        <source>&lt;Patient name&gt;</source>
        <translation>&lt;Nombre del paciente&gt;</translation>
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
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Speed: &lt;span style=&quot; font-weight:600;&quot;&gt;12.5&lt;/span&gt; mm/sec&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Velocidad: &lt;span style=&quot; font-weight:600;&quot;&gt;12.5&lt;/span&gt; mm/s&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>12.5</source>
        <translation>12.5</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Speed: &lt;span style=&quot; font-weight:600;&quot;&gt;25&lt;/span&gt; mm/sec&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Velocidad: &lt;span style=&quot; font-weight:600;&quot;&gt;25&lt;/span&gt; mm/s&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>25</source>
        <translation>25</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Speed: &lt;span style=&quot; font-weight:600;&quot;&gt;50&lt;/span&gt; mm/sec&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Velocidad: &lt;span style=&quot; font-weight:600;&quot;&gt;50&lt;/span&gt; mm/s&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>50</source>
        <translation>50</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitude: &lt;span style=&quot; font-weight:600;&quot;&gt;5&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitud: &lt;span style=&quot; font-weight:600;&quot;&gt;5&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitude: &lt;span style=&quot; font-weight:600;&quot;&gt;10&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitud: &lt;span style=&quot; font-weight:600;&quot;&gt;10&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitude: &lt;span style=&quot; font-weight:600;&quot;&gt;20&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitud: &lt;span style=&quot; font-weight:600;&quot;&gt;20&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>20</source>
        <translation>20</translation>
    </message>
    <message>
        <source>Muscle noise filter</source>
        <translation>Filtro de ruido muscular</translation>
    </message>
    <message>
        <source>MF</source>
        <translation>FM</translation>
    </message>
    <message>
        <source>Line notch filter</source>
        <translation>Filtro de red eléctrica</translation>
    </message>
    <message>
        <source>NF</source>
        <translation>FR</translation>
    </message>
    <message>
        <source>Baseline filter</source>
        <translation>Filtro de línea de base</translation>
    </message>
    <message>
        <source>BF</source>
        <translation>LB</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Evento</translation>
    </message>
    <message>
        <source>Blood pressure</source>
        <translation>Presión arterial</translation>
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
</context>
<context>
    <name>PatientPreviewForm</name>
    <message>
        <source>Select patient...</source>
        <translation>Seleccionar paciente...</translation>
    </message>
    <message>
        <source>New patient...</source>
        <translation>Nuevo paciente...</translation>
    </message>
    <message>
        <source>Edit patient...</source>
        <translation>Editar paciente...</translation>
    </message>
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
        <source>Unspecified application error</source>
        <translation>Error de aplicación no especificado</translation>
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
        <source>Cannot get patient data</source>
        <translation>No se pueden obtener los datos del paciente</translation>
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
        <source>Cannot write report file %1. An earlier report of that name, if any, is unchanged.</source>
        <translation>No se puede escribir el archivo de informe %1. Un informe anterior con ese nombre, si lo hay, no se ha modificado.</translation>
    </message>
    <message>
        <source>The report was cancelled</source>
        <translation>Se canceló el informe</translation>
    </message>
</context>
<context>
    <name>ReportJob</name>
    <message>
        <source>Unspecified application error</source>
        <translation>Error de aplicación no especificado</translation>
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
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Speed: &lt;span style=&quot; font-weight:600;&quot;&gt;12.5&lt;/span&gt; mm/sec&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Velocidad: &lt;span style=&quot; font-weight:600;&quot;&gt;12.5&lt;/span&gt; mm/s&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>12.5</source>
        <translation>12.5</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Speed: &lt;span style=&quot; font-weight:600;&quot;&gt;25&lt;/span&gt; mm/sec&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Velocidad: &lt;span style=&quot; font-weight:600;&quot;&gt;25&lt;/span&gt; mm/s&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>25</source>
        <translation>25</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Speed: &lt;span style=&quot; font-weight:600;&quot;&gt;50&lt;/span&gt; mm/sec&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Velocidad: &lt;span style=&quot; font-weight:600;&quot;&gt;50&lt;/span&gt; mm/s&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>50</source>
        <translation>50</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitude: &lt;span style=&quot; font-weight:600;&quot;&gt;5&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitud: &lt;span style=&quot; font-weight:600;&quot;&gt;5&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitude: &lt;span style=&quot; font-weight:600;&quot;&gt;10&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitud: &lt;span style=&quot; font-weight:600;&quot;&gt;10&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitude: &lt;span style=&quot; font-weight:600;&quot;&gt;20&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Amplitud: &lt;span style=&quot; font-weight:600;&quot;&gt;20&lt;/span&gt; mm/mV&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>20</source>
        <translation>20</translation>
    </message>
    <message>
        <source>Muscle noise filter</source>
        <translation>Filtro de ruido muscular</translation>
    </message>
    <message>
        <source>MF</source>
        <translation>FM</translation>
    </message>
    <message>
        <source>Line notch filter</source>
        <translation>Filtro de red eléctrica</translation>
    </message>
    <message>
        <source>NF</source>
        <translation>FR</translation>
    </message>
    <message>
        <source>Baseline filter</source>
        <translation>Filtro de línea de base</translation>
    </message>
    <message>
        <source>BF</source>
        <translation>LB</translation>
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
        <source>Group adaptation</source>
        <translation>Adaptación al grupo</translation>
    </message>
    <message>
        <source>Assistance</source>
        <translation>Asistencia</translation>
    </message>
    <message>
        <source>Unspecified application error</source>
        <translation>Error de aplicación no especificado</translation>
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
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
    <message numerus="yes">
        <source>%n session(s) could not be opened and are not listed.</source>
        <translation>
            <numerusform>No se pudo abrir %n sesión; no aparece en la lista.</numerusform>
            <numerusform>No se pudieron abrir %n sesiones; no aparecen en la lista.</numerusform>
        </translation>
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
        <source>Confirm</source>
        <translation>Confirmar</translation>
    </message>
    <message>
        <source>The measurements of this session are not valid. Discard your changes?</source>
        <translation>Las medidas de esta sesión no son válidas. ¿Descartar los cambios?</translation>
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
        <source>Your changes were not saved. Discard them, or cancel to keep them and try again.</source>
        <translation>Los cambios no se han guardado. Descártelos, o cancele para conservarlos y volver a intentarlo.</translation>
    </message>
    <message>
        <source>The database is not open</source>
        <translation>La base de datos no está abierta</translation>
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
        <source>Abdomen</source>
        <translation>Abdomen</translation>
    </message>
</context>
<context>
    <name>SessionManager</name>
    <message>
        <source>The session could not be saved: %1
Monitoring goes on and the save will be tried again.</source>
        <translation>No se pudo guardar la sesión: %1
La monitorización continúa y se volverá a intentar guardar.</translation>
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
        <source>Warning</source>
        <translation>Aviso</translation>
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
        <source>%1: the ECG recording stopped because the disk is full.
Monitoring and the live display go on; the ECG recorded until now is kept.</source>
        <translation>%1: la grabación del ECG se detuvo porque el disco está lleno.
La monitorización y la visualización en vivo continúan; se conserva el ECG grabado hasta ahora.</translation>
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
    <name>StationApplication</name>
    <message>
        <source>Unspecified application error</source>
        <translation>Error de aplicación no especificado</translation>
    </message>
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
    <name>TRHRPlotValues</name>
    <message>
        <source>HR</source>
        <translation>FC</translation>
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
    <name>TRTempPlotValues</name>
    <message>
        <source>Temp</source>
        <translation>Temp</translation>
    </message>
</context>
</TS>
