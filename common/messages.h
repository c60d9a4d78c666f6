// The fixed texts of the interpreter's boxes, reports and files, in Windows-1252 bytes, kept here so that the
// core, the tools and the tests share them. The Win32 dialog and window templates spell their captions again
// as wide texts.
#pragma once

#include <string_view>

namespace kal::msg {

// Titles.
inline constexpr std::string_view kTitleProgrammer = "Programador";
inline constexpr std::string_view kTitleKal = "KAL";
// The input dialog's prompt (its title is kTitleKal).
inline constexpr std::string_view kInputPrompt = "Introduce tu dato";
// The graphics window's title.
inline constexpr std::string_view kWindowTitle = "Ventana Grafica KAL";

// Line break inside message texts.
inline constexpr std::string_view kBreak = "\r\n";

// Outer form of a script, in the order the checks run.
inline constexpr std::string_view kMustEndWithSemicolon = "La sentencia debe terminar en ;";
inline constexpr std::string_view kMustEndWithFin =
    "El c\xF3"
    "digo debe terminar con la palabra reservada .fin;";
inline constexpr std::string_view kMustStartWithCodigo =
    "El c\xF3"
    "digo debe empezar con la palabra reservada .codigo;";
inline constexpr std::string_view kOnlyOneCodigo = "Solo un .codigo;";
inline constexpr std::string_view kOnlyOneFin = "Solo un .fin;";

// Compile error: the token, a line break, then this.
inline constexpr std::string_view kBadExpression = "Esta expresi\xF3n es ERRONEA !!";

// Run-time fatal report: the shape (and keyword), a line break, then this.
inline constexpr std::string_view kUnknownInstruction = "Instrucci\xF3n Desconocida ...";

// A jump to a label no label statement registers (also one whose name holds "_").
inline constexpr std::string_view kUnknownLabelPrefix = "No existe la etiqueta :";
inline constexpr std::string_view kUnknownLabelSuffix = " a la que salta el programa.";

// A store that already holds a name for each compiled record cannot take a new one: the run stops and names
// the variable or constant that did not fit.
inline constexpr std::string_view kStoreFullVariable = "No hay sitio para la variable ";
inline constexpr std::string_view kStoreFullConstant = "No hay sitio para la constante ";
inline constexpr std::string_view kStoreFullMiddle = ": este programa solo admite ";
inline constexpr std::string_view kStoreFullVariables = " variables.";
inline constexpr std::string_view kStoreFullConstants = " constantes.";

// Scripts beyond the language's limits are refused before anything runs.
inline constexpr std::string_view kTooManyTokens =
    "El c\xF3"
    "digo tiene m\xE1s de 100000 elementos (palabras y signos) y no se puede ejecutar.";
inline constexpr std::string_view kTooManyStatements =
    "El c\xF3"
    "digo tiene m\xE1s de 32767 sentencias y no se puede ejecutar.";

// Trace file written when a run goes past its last statement.
inline constexpr std::string_view kTraceFileName = "FORENSE.txt";
inline constexpr std::string_view kTraceCountPrefix = "Hay ";
inline constexpr std::string_view kTraceCountSuffix = " sentencias ...";

// The only name the interpreter runs under.
inline constexpr std::string_view kOwnName = "KAL";
// A packed program whose script is cut short or changed since kalpack made it.
inline constexpr std::string_view kDamagedProgram =
    "Este programa est\xE1 da\xF1"
    "ado: le falta una parte o ha cambiado desde que se cre\xF3. Vuelva a crearlo con kalpack.";
inline constexpr std::string_view kExeExtension = ".exe";

// The open-file dialog.
inline constexpr std::string_view kOpenFilterDescription = "Texto";
inline constexpr std::string_view kOpenFilterPattern = "*.txt";
inline constexpr std::string_view kOpenDefaultExtension = "Texto";

// The file database.
inline constexpr std::string_view kDatabasePrefix = "La base de datos ";
inline constexpr std::string_view kDatabaseMissing = " NO existe en esta ruta ..";
inline constexpr std::string_view kCannotGoOn = "Sintiendolo mucho NO podemos seguir ...";
inline constexpr std::string_view kWrongDatabaseName =
    "Usted ha escrito un nombre de fichero de base de datos equ\xEDvoco ...";
inline constexpr std::string_view kFieldCountPrefix = "El numero de campos de la base de dato ";
inline constexpr std::string_view kFieldCountDiffers = "no es igual al numero de elementos del arreglo";
inline constexpr std::string_view kCannotStoreLower = "sintiendolo mucho no puedo archivar ...";
inline constexpr std::string_view kCannotStore = "Sintiendolo mucho no puedo archivar ...";
inline constexpr std::string_view kTooLongHas = " tiene ";
inline constexpr std::string_view kTooLongLimit = " caracteres, limite ";
// A data file that refused the new record (read-only, locked, a full disk): it is left as it was.
inline constexpr std::string_view kWriteFailedPrefix = "No se pudo escribir en el fichero de datos de ";
inline constexpr std::string_view kNoData = "No datos";

}  // namespace kal::msg
