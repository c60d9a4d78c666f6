// The page's own words, Spanish first. The interpreter's texts (box titles, messages) are never translated.
import {PROGRAM_FOLDER} from './disk.js';

export const TEXTS = {
  es: {
    run: 'Ejecutar', step: 'Paso a paso', stop: 'Parar', share: 'Compartir enlace', examples: 'Ejemplos',
    guide: 'Guía', language: 'English', files: `Disco ${PROGRAM_FOLDER}`, upload: 'Subir un fichero', watch: 'Estado',
    variables: 'Variables', constants: 'Constantes', flag: 'Indicador de comparación', database: 'Base de datos',
    record: 'registro', search: 'búsqueda', statement: 'Sentencia', ready: 'Listo.', running: 'Ejecutando…',
    paused: 'En pausa en la línea', ended: 'El programa ha terminado.', stopped: 'Parado.',
    failed: 'La ejecución ha fallado en el navegador:',
    scripts: 'Mis programas', full: 'El navegador no tiene sitio para guardar el programa:',
    linkCharacters: 'El enlace lleva caracteres que un enlace de KAL no tiene: se abre su programa de siempre.',
    linkCut: 'El enlace está cortado: se abre su programa de siempre.',
    linkText: 'El enlace está dañado (no trae un texto): se abre su programa de siempre.', loading: 'Cargando…',
    copied: 'Enlace copiado.', window: 'Ventana Grafica KAL', ok: 'Aceptar', cancel: 'Cancelar', yes: 'Sí', no: 'No',
    output: 'Fichero abierto', none: '(ninguna)', written: '← escrito por el programa',
    intro: 'Escriba un programa KAL o elija un ejemplo, y pulse Ejecutar.',
  },
  en: {
    run: 'Run', step: 'Step', stop: 'Stop', share: 'Share link', examples: 'Examples',
    guide: 'Guide', language: 'Español', files: `Disk ${PROGRAM_FOLDER}`, upload: 'Upload a file', watch: 'State',
    variables: 'Variables', constants: 'Constants', flag: 'Comparison flag', database: 'Database',
    record: 'record', search: 'search', statement: 'Statement', ready: 'Ready.', running: 'Running…',
    paused: 'Paused at line', ended: 'The program has ended.', stopped: 'Stopped.',
    failed: 'The run failed in the browser:',
    scripts: 'My programs', full: 'The browser has no room to keep the program:',
    linkCharacters: 'The link holds characters no KAL link has: your own program opens.',
    linkCut: 'The link is cut short: your own program opens.',
    linkText: 'The link is damaged (it carries no text): your own program opens.', loading: 'Loading…',
    copied: 'Link copied.', window: 'Ventana Grafica KAL', ok: 'OK', cancel: 'Cancel', yes: 'Yes', no: 'No',
    output: 'File opened', none: '(none)', written: '← written by the program',
    intro: 'Write a KAL program or pick an example, and press Run.',
  },
};
