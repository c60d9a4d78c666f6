// The dispatch table's rows: every family of the language with the handlers that run it. It stands above the
// library it names; the interpreter finds families through interp/dispatch_table.h.
#include "interp/dispatch_table.h"

#include "builtins/builtins.h"
#include "builtins/database_statements.h"
#include "builtins/graphics_commands.h"
#include "graphics/graphics.h"
#include "interp/handlers.h"

namespace kal {
namespace {

// Built-in functions, by number of operands. Words are tried in this order and matched exactly.
constexpr Keyword kFunctions3[] = {
    {"CAMBIARP", run_builtin, fn_cambiarp},
    {"RNDFSTR", run_builtin, fn_rndfstr},
    {"RVA", run_builtin, fn_rva},
    {"MIDDLESTRING", run_builtin, fn_middlestring},
    {"SPLITDATE", run_builtin, fn_splitdate},
    {"WOUT", run_builtin, fn_wout},
};
constexpr Keyword kFunctions2[] = {
    {"LEERLINEATEXTO", run_builtin, fn_leerlineatexto},
    {"ATRIBUTO", run_builtin, fn_atributo},
    {"RNDF", run_builtin, fn_rndf},
    {"SACAR", run_builtin, fn_sacar},
    {"NOMBRE", run_builtin, fn_nombre},
    {"RND", run_builtin, fn_rnd},
    {"COPIAF", run_builtin, fn_copiaf},
    {"PER", run_builtin, fn_per},
    {"RIGHTSTRING", run_builtin, fn_rightstring},
    {"LEFTSTRING", run_builtin, fn_leftstring},
    {"POW", run_builtin, fn_pow},
    {"MASK", run_builtin, fn_mask},
};
constexpr Keyword kFunctions1[] = {
    {"INSERTAR", run_builtin, fn_insertar},
    {"LISTARFIC", run_builtin, fn_listarfic},
    {"LISTARDIR", run_builtin, fn_listardir},
    {"LEERTEXTO", run_builtin, fn_leertexto},
    {"NIF", run_builtin, fn_nif},
    {"CAR", run_builtin, fn_car},
    {"RUTABD", run_builtin, fn_rutabd},
    {"POSREG", run_builtin, fn_posreg},
    {"ARREGLON", run_builtin, fn_arreglon},
    {"METER", run_meter},
    {"BORRAF", run_builtin, fn_borraf},
    {"PESOF", run_builtin, fn_pesof},
    {"CARPETA", run_builtin, fn_carpeta},
    {"EXISTE", run_builtin, fn_existe},
    {"SIZE", run_builtin, fn_size},
    {"WEEKDAYNAME", run_builtin, fn_weekdayname},
    {"TAN", run_builtin, fn_tan},
    {"SQR", run_builtin, fn_sqr},
    {"SIN", run_builtin, fn_sin},
    {"COS", run_builtin, fn_cos},
    {"ATN", run_builtin, fn_atn},
    {"ABS", run_builtin, fn_abs},
    {"MONTHNAME", run_builtin, fn_monthname},
    {"MAY", run_builtin, fn_may},
    {"MIN", run_builtin, fn_min},
    {"PRI", run_builtin, fn_pri},
    {"ENNUMB", run_builtin, fn_ennumb},
    {"SPNUMB", run_builtin, fn_spnumb},
    {"NUMB", run_builtin, fn_numb},
    {"ESNUMB", run_builtin, fn_esnumb},
};
constexpr Keyword kFunctions0[] = {
    {"LISTARUNIDAD", run_builtin, fn_listarunidad},
    {"ANCHODINA4", run_builtin, fn_constant<794>},
    {"ALTODINA4", run_builtin, fn_constant<1122>},
    {"ALINIZQ", run_builtin, fn_constant<kAlignLeft>},
    {"ALINDER", run_builtin, fn_constant<kAlignRight>},
    {"ALINCEN", run_builtin, fn_constant<kAlignCentre>},
    {"ALINJUS", run_builtin, fn_constant<kAlignJustify>},
    {"TOTALREG", run_builtin, fn_totalreg},
    {"ADIOS", run_adios},
    {"ALTOPANTALLA", run_builtin, fn_screen_height},
    {"ANCHOPANTALLA", run_builtin, fn_screen_width},
    {"NEGRO", run_builtin, fn_constant<0>},
    {"BLANCO", run_builtin, fn_constant<16777215>},
    {"GRIS", run_builtin, fn_constant<8421504>},
    {"GRISCLARO", run_builtin, fn_constant<12632256>},
    {"ROJO", run_builtin, fn_constant<255>},
    {"VERDE", run_builtin, fn_constant<65280>},
    {"AZUL", run_builtin, fn_constant<16711680>},
    {"AMARILLO", run_builtin, fn_constant<65535>},
    {"SISTEMALOG", run_builtin, fn_sistemalog},
    {"INPUTDATA", run_builtin, fn_inputdata},
    {"DEBUG", run_builtin, fn_debug},
    {"RECORD", run_builtin, fn_record},
    {"TODAY", run_builtin, fn_today},
};
constexpr Keyword kConstantFunctions[] = {
    {"DEBUG", run_builtin_constant, fn_debug},
    {"RECORD", run_builtin_constant, fn_record},
    {"TODAY", run_builtin_constant, fn_today},
};

// Commands, matched in any letter case.
constexpr Keyword kCommands0[] = {
    {"fin", run_fin}, {"anulamemograf", run_anulamemograf}, {"vergraf", run_vergraf}};
constexpr Keyword kJumps[] = {
    {"saltaruno", run_jump_if_one}, {"saltarcero", run_jump_if_zero}, {"saltar", run_jump}};
constexpr Keyword kCommands4[] = {{"fuente", run_fuente}};
constexpr Keyword kCommands9[] = {{"pintartexto", run_pintartexto}};
constexpr Keyword kCommands8[] = {{"mesgraf", run_mesgraf}, {"caja", run_caja}};
constexpr Keyword kCommands7[] = {{"circulo", run_circulo}};
constexpr Keyword kCommands5[] = {{"linea", run_linea}};
constexpr Keyword kCommands3[] = {
    {"leermapbit", run_leermapbit}, {"punto", run_punto}, {"memograf", run_memograf}};
constexpr Keyword kCommands1[] = {
    {"grabarmemo", run_grabarmemo},
    {"objeto", run_message},
    {"pluma", run_pluma},
    {"textograf", run_textograf},
    {"reseteamemograf", run_reseteamemograf},
    {"aviso", run_message},
    {"avisosino", run_question},
};
constexpr Keyword kCommands2[] = {
    {"color", run_color},
    {"posicion", run_posicion},
    {"ventana", run_ventana},
    {"cmp", run_compare<Comparison::Same>},
    {"mar", run_compare<Comparison::Greater>},
    {"mer", run_compare<Comparison::Less>},
    {"mai", run_compare<Comparison::GreaterOrEqual>},
    {"mei", run_compare<Comparison::LessOrEqual>},
    {"dis", run_compare<Comparison::Different>},
};

constexpr std::string_view kShapesF3[] = {"&%&&&"};
constexpr std::string_view kShapesF2[] = {"&%&&"};
constexpr std::string_view kShapesF1[] = {"&%&"};
constexpr std::string_view kShapesF0[] = {"&%"};
constexpr std::string_view kShapesConstantF[] = {"@%"};
constexpr std::string_view kShapesC0[] = {"."};
constexpr std::string_view kShapesLabel[] = {":"};
constexpr std::string_view kShapesJump[] = {".:"};
constexpr std::string_view kShapesC4[] = {".&&&&"};
constexpr std::string_view kShapesC9[] = {".&&&&&&&&&"};
constexpr std::string_view kShapesC8[] = {".&&&&&&&&"};
constexpr std::string_view kShapesC7[] = {".&&&&&&&"};
constexpr std::string_view kShapesC5[] = {".&&&&&"};
constexpr std::string_view kShapesC3[] = {".&&&"};
constexpr std::string_view kShapesC1[] = {".&"};
constexpr std::string_view kShapesC2[] = {".&&"};
constexpr std::string_view kShapesLiteral[] = {"&m", "&v", "&~"};
constexpr std::string_view kShapesField[] = {"&#"};
constexpr std::string_view kShapesCopy[] = {"&&"};
constexpr std::string_view kShapesConstantLiteral[] = {"@v", "@~"};
constexpr std::string_view kShapesConstantField[] = {"@#"};
constexpr std::string_view kShapesArithmeticLiteral[] = {"&&+v", "&&-v", "&&DIVv", "&&*v", "&&MODv", "&&+~"};
constexpr std::string_view kShapesFieldJoin[] = {"&#+~"};
constexpr std::string_view kShapesArithmetic[] = {"&@+~", "&~+&",   "&~+@",   "&&+&", "&&-&",
                                                  "&&*&", "&&DIV&", "&&MOD&", "&~+~"};

constexpr Family kFamilies[] = {
    {kShapesF3, KeywordAt::Field3, kFunctions3, nullptr},
    {kShapesF2, KeywordAt::Field3, kFunctions2, nullptr},
    {kShapesF1, KeywordAt::Field3, kFunctions1, nullptr},
    {kShapesF0, KeywordAt::Field3, kFunctions0, nullptr},
    {kShapesConstantF, KeywordAt::Field3, kConstantFunctions, nullptr},
    {kShapesC0, KeywordAt::Field2Lower, kCommands0, nullptr},
    {kShapesLabel, KeywordAt::None, {}, run_label},
    {kShapesJump, KeywordAt::Field2Lower, kJumps, nullptr},
    {kShapesC4, KeywordAt::Field2Lower, kCommands4, nullptr},
    {kShapesC9, KeywordAt::Field2Lower, kCommands9, nullptr},
    {kShapesC8, KeywordAt::Field2Lower, kCommands8, nullptr},
    {kShapesC7, KeywordAt::Field2Lower, kCommands7, nullptr},
    {kShapesC5, KeywordAt::Field2Lower, kCommands5, nullptr},
    {kShapesC3, KeywordAt::Field2Lower, kCommands3, nullptr},
    {kShapesC1, KeywordAt::Field2Lower, kCommands1, nullptr},
    {kShapesC2, KeywordAt::Field2Lower, kCommands2, nullptr},
    {kShapesLiteral, KeywordAt::None, {}, run_assign_literal},
    {kShapesField, KeywordAt::None, {}, run_field_read},
    {kShapesCopy, KeywordAt::None, {}, run_copy_variable},
    {kShapesConstantLiteral, KeywordAt::None, {}, run_assign_constant},
    {kShapesConstantField, KeywordAt::None, {}, run_field_read_constant},
    {kShapesArithmeticLiteral, KeywordAt::None, {}, run_arithmetic},
    {kShapesFieldJoin, KeywordAt::None, {}, run_field_join},
    {kShapesArithmetic, KeywordAt::None, {}, run_arithmetic},
};

}  // namespace

std::span<const Family> dispatch_families() {
  return kFamilies;
}

}  // namespace kal
