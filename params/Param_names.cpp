#include "Param_names.h"

#include <iterator>

namespace {

constexpr const char* kNames[] = {
    /*   0 */ "dummy_1", "velmab_m", "kenc_m", "velsim_m", "nfil_a", "nfil_i",
    /*   6 */ "nfil_m", "k_avanti_c", "k_antic", "velmab_c", "ritmax_c", "veljog_c",
    /*  12 */ "velmax_c", "accjog_c", "acc_geo", "acceme_c", "kenc_c", "errmax_c",
    /*  18 */ "kls1_c", "kls2_c", "kls3_c", "kls4_c", "kls5_c", "kls6_c",
    /*  24 */ "kls7_c", "kls8_c", "kla1_c", "kla2_c", "bpro_c", "limm_m",
    /*  30 */ "delspa_c", "banc_c", "quosta_c", "accsta_c", "lun1_m", "lun2_m",
    /*  36 */ "deltag", "ttag_av", "l_testa", "delvel_i_c", "delacc_i_c", "vel_xt1",
    /*  42 */ "velmab_l1", "vellen_l1", "velmax_l1", "velrit_l1", "velrac_l1", "veljog_l1",
    /*  48 */ "accjog_l1", "acclav_l1", "acceme_l1", "kenc_l1", "errmax_l1", "kla1_l1",
    /*  54 */ "kla2_l1", "bpro_l1", "banc_l1", "posh_l1", "posl_l1", "pos1_l1",
    /*  60 */ "pos2_l1", "pos0_l1", "accmab_c", "filtro_a", "k_c_pro", "nfil_tac_c",
    /*  66 */ "nfil_l1", "vel_xt2", "velmab_l2", "vellen_l2", "velmax_l2", "velrit_l2",
    /*  72 */ "velrac_l2", "veljog_l2", "accjog_l2", "acclav_l2", "acceme_l2", "kenc_l2",
    /*  78 */ "errmax_l2", "kla1_l2", "kla2_l2", "bpro_l2", "banc_l2", "posh_l2",
    /*  84 */ "posl_l2", "pos1_l2", "pos2_l2", "pos0_l2", "nfil_l2", "l_fermo_c",
    /*  90 */ "dis_fot_c", "offset", "ratio", "add_son", "sfas_l1_l2", "fc_tim_m",
    /*  96 */ "distim_m", "ntim_m", "titim_m", "luntim_m", "dis_antic_c", "corr_head_p",
    /* 102 */ "l_gra_c", "l_lie_c", "l_giun_c", "com_c", "min_gra_c", "max_gra_c",
    /* 108 */ "min_lie_c", "max_lie_c", "min_giun_c", "max_giun_c", "prima_gra_c", "dopo_gra_c",
    /* 114 */ "prima_lie_c", "dopo_lie_c", "prima_giun_c", "dopo_giun_c", "test_m", "delvel_o_c",
    /* 120 */ "delacc_o_c", "toll_fot_m", "toll_vel_m", "ist_corr_m", "offset1", "ratio1",
    /* 126 */ "add_son1", "acclav_c", "prd_sign", "vel_l_plc", "dummy_2", "t_innesco_av",
    /* 132 */ "t_morse_av", "pos0_cl", "fine_fr", "delta_fr", "k_p_fr", "t_asses",
    /* 138 */ "pos_h_fr", "tjog_h", "tjog_dx", "tjog_l", "tjog_sx", "err_fc_h",
    /* 144 */ "fc_h", "ini_fr", "morsap", "morsch", "per_min_c", "dist_mk_giun",
    /* 150 */ "t_soft_s", "head_back_c", "corr_head_n", "posw_l1", "posw_l2", "t_cmp_ftc",
    /* 156 */ "velspes2_l1", "accmid_l1", "velspes2_l2", "accmid_l2", "vmab_fresa1", "acc_fresa1",
    /* 162 */ "vmax_fresa1", "vmin_fresa1", "diam_set", "spes_set", "l_aggraf_plc", "vmab_fresa2",
    /* 168 */ "acc_fresa2", "vmax_fresa2", "vmin_fresa2", "dist_mk_gra", "dist_mk_lie", "test_m1",
    /* 174 */ "spes_rea_m", "max_t_clutch", "emer_fresa1", "emer_fresa2", "decmid_l1", "decmid_l2",
    /* 180 */ "kl_cu_5_c", "kl_cu_6_c", "kl_cu_7_c", "kl_cu_8_c", "decl_ac_c", "decl_kl_c",
    /* 186 */ "kenc_a1", "errmax_a1", "velmab_a1", "bpro_a1", "nfil_a1", "veljog_a1",
    /* 192 */ "accjog_a1", "velmax_a1", "vellen_a1", "acclav_a1", "velrit_a1", "kla1_a1",
    /* 198 */ "kla2_a1", "acceme_a1", "wom",
};
static_assert(std::size(kNames) == PARAM_COUNT, "one name for each parameter");

} // namespace

const std::array<const char*, PARAM_COUNT> param_names = std::to_array(kNames);
